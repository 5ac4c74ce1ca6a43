#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/drive_places.h"
#include "ui/console/standard_streams.h"

namespace orm::console {

DriveChoice SystemDriveChoice(const std::string& drive) {
  // The list names places by absolute paths; "." or ".." in a script names the same place.
  std::string path = drive;
  if (!drive.empty() && drive.front() != '/') {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(drive, error);
    if (!error) path = absolute.lexically_normal().string();
  }
  const std::vector<DrivePlace> places = SystemDrivePlaces();
  if (const DrivePlace* place = FindDrivePlace(places, path)) return {place->root, {}};
  return {{},
          "«" + drive +
              "» не диск из списка дисков программы: подходят точки монтирования томов FAT, "
              "exFAT, NTFS, сетевых папок и томов в /media, /run/media, /mnt, а также общие "
              "папки Samba; системный диск не оформляется"};
}

}  // namespace orm::console
