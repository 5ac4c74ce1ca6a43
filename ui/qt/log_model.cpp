#include "ui/qt/log_model.h"

namespace orm {

int LogModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant LogModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.parent().isValid() || index.column() != 0 || index.row() < 0 ||
      static_cast<std::size_t>(index.row()) >= lines_.size()) {
    return {};
  }
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
      return lines_[static_cast<std::size_t>(index.row())];
    default:
      return {};
  }
}

void LogModel::Append(QString line) {
  const int row = static_cast<int>(lines_.size());
  beginInsertRows(QModelIndex(), row, row);
  lines_.push_back(std::move(line));
  endInsertRows();
}

void LogModel::RemoveFirst() {
  if (lines_.empty()) return;
  beginRemoveRows(QModelIndex(), 0, 0);
  lines_.pop_front();
  endRemoveRows();
}

void LogModel::Clear() {
  if (lines_.empty()) return;
  beginResetModel();
  lines_.clear();
  endResetModel();
}

}  // namespace orm
