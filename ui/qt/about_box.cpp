#include "ui/qt/about_box.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include "ui/qt/app_identity.h"

namespace orm {

AboutBox& AboutBox::Shared(QWidget* owner) {
  // A QPointer, so that a box that went with its owner's window is made again on the next use.
  static QPointer<AboutBox> shared;
  QWidget* ownerWindow = owner != nullptr ? owner->window() : nullptr;
  if (shared.isNull()) {
    shared = new AboutBox(ownerWindow);
  } else if (shared->parentWidget() != ownerWindow) {
    shared->setParent(ownerWindow, shared->windowFlags());
  }
  return *shared;
}

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent),
      picture_(new QLabel(this)),
      title_(new QLabel(this)),
      version_(new QLabel(this)),
      description_(new QLabel(this)),
      text_(new QLabel(this)),
      dedication_(new QLabel(this)) {
  setObjectName(QStringLiteral("AboutBox"));
  text_->setWordWrap(true);
  dedication_->setWordWrap(true);
  dedication_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  picture_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  auto* texts = new QVBoxLayout;
  texts->addWidget(title_);
  texts->addWidget(version_);
  texts->addWidget(description_);
  texts->addWidget(text_);
  texts->addSpacing(8);
  texts->addWidget(dedication_);
  texts->addStretch(1);
  auto* body = new QHBoxLayout;
  body->addWidget(picture_);
  body->addSpacing(12);
  body->addLayout(texts, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body);
  layout->addWidget(buttons);
  setMinimumWidth(320);
}

void AboutBox::Show(QWidget* owner, const QCoreApplication& app, const QString& text,
                    const QPixmap& picture, const QString& dedication) {
  if (owner != nullptr && parentWidget() != owner->window()) {
    setParent(owner->window(), windowFlags());
  }
  // The Windows program's About box shows the same lines.
  setWindowTitle(QStringLiteral("О программе ") + ApplicationTitle(app));
  title_->setText(ApplicationTitle(app));
  version_->setText(QStringLiteral("Версия ") + QCoreApplication::applicationVersion());
  description_->setText(ApplicationDescription(app));
  text_->setText(text);
  text_->setVisible(!text.isEmpty());
  dedication_->setText(dedication);
  dedication_->setVisible(!dedication.isEmpty());
  // Without a picture of its own the box shows the program's icon, as its owner carries it.
  const QIcon icon =
      owner != nullptr ? owner->window()->windowIcon() : QGuiApplication::windowIcon();
  picture_->setPixmap(picture.isNull() ? icon.pixmap(32, 32) : picture);
  adjustSize();
  exec();
}

QString AboutBox::TitleText() const {
  return title_->text();
}
QString AboutBox::VersionText() const {
  return version_->text();
}
QString AboutBox::DescriptionText() const {
  return description_->text();
}
QString AboutBox::DedicationText() const {
  return dedication_->text();
}

}  // namespace orm
