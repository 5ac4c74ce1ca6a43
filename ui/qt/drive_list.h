// The drive list drvDestination on Linux: the places a Windows reader sees as a drive root
// (see platform/drive_places.h), each shown as its root and, when it has one, a blank and its
// label in brackets. It starts on the place that holds the working folder, or on none.
#pragma once

#include <QComboBox>
#include <string>
#include <vector>

#include "platform/drive_places.h"

namespace orm {

class DriveListBox : public QComboBox {
  Q_OBJECT

 public:
  // Lists this machine's places and selects the one holding the working folder.
  explicit DriveListBox(QWidget* parent);

  // Shows these places and selects the one holding path; none when no place holds it.
  void SetVolumes(std::vector<DrivePlace> places, const std::string& path);
  const std::vector<DrivePlace>& Volumes() const { return places_; }

  // The root of the selected place as it stands; "" when none is selected.
  std::string Drive() const;

 protected:
  // The list is read again each time it drops down, so that a stick plugged in after the start
  // shows up; the selected place stays selected while it is offered.
  void showPopup() override;

 private:
  std::vector<DrivePlace> places_;
};

}  // namespace orm
