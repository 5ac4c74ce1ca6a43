// The lines of the operation log for the list view lstLog: oldest first, one column. Dropping
// the oldest line costs O(1) however long the log is.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <deque>

namespace orm {

class LogModel : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  // The line's text for the display, tool tip and accessibility roles; nothing else.
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // Adds line as the new last line.
  void Append(QString line);
  // Drops line 0; nothing happens on an empty log.
  void RemoveFirst();
  // Drops every line.
  void Clear();

 private:
  std::deque<QString> lines_;
};

}  // namespace orm
