#include "platform/file_error.h"

namespace orm {

std::string ErrorDescription(std::int32_t number) {
  switch (number) {
    case kErrBadFileName:
      return "Недопустимое имя или номер файла";
    case kErrFileNotFound:
      return "Файл не найден";
    case kErrDeviceIo:
      return "Ошибка ввода-вывода на устройстве";
    case kErrFileExists:
      return "Файл уже существует";
    case kErrDiskFull:
      return "Диск заполнен";
    case kErrPermissionDenied:
      return "Отказано в разрешении";
    case kErrDiskNotReady:
      return "Диск не готов";
    case kErrPathFileAccess:
      return "Ошибка доступа к пути или файлу";
    case kErrPathNotFound:
      return "Путь не найден";
    default:
      return {};
  }
}

}  // namespace orm
