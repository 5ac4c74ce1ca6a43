#include "ui/qt/drive_list.h"

#include <QDir>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace orm {

namespace {

std::string WorkingFolder() {
  const std::string here = QDir::currentPath().toStdString();
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::canonical(here, error);
  return error ? here : canonical.string();
}

}  // namespace

DriveListBox::DriveListBox(QWidget* parent) : QComboBox(parent) {
  SetVolumes(SystemDrivePlaces(), WorkingFolder());
}

void DriveListBox::SetVolumes(std::vector<DrivePlace> places, const std::string& path) {
  places_ = std::move(places);
  clear();
  for (const DrivePlace& place : places_) addItem(QString::fromStdString(DrivePlaceText(place)));
  // Where no offered place holds the path, the user chooses: a guess here would dress a volume
  // nobody asked for.
  setCurrentIndex(IndexOfPlaceHolding(places_, path));
}

std::string DriveListBox::Drive() const {
  const int index = currentIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= places_.size()) return {};
  return places_[static_cast<std::size_t>(index)].root;
}

void DriveListBox::showPopup() {
  const std::string selected = Drive();
  std::vector<DrivePlace> places = SystemDrivePlaces();
  const bool stillOffered = !selected.empty() && FindDrivePlace(places, selected) != nullptr;
  SetVolumes(std::move(places), stillOffered ? selected : WorkingFolder());
  QComboBox::showPopup();
}

}  // namespace orm
