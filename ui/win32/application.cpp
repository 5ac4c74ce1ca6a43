#include "ui/win32/application.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/run_time_error.h"
#include "platform/win32/wide_text.h"
#include "ui/win32/run_time.h"

namespace orm::win32 {

namespace {

// VerQueryValueW may write into the block it reads, so it gets a copy of the resource.
std::vector<unsigned char> VersionBlock() {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) throw RunTimeError(kErrResourceNotFound, "Ресурс не найден");
  const auto* bytes = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(bytes, bytes + SizeofResource(module, found));
}

std::string StringValue(std::vector<unsigned char>& block, const wchar_t* name) {
  const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || !value) return {};
  return FromWide(static_cast<const wchar_t*>(value));
}

}  // namespace

std::string Application::VersionText() const {
  char text[32];
  std::snprintf(text, sizeof text, "%d.%02d.%04d", major, minor, revision);
  return text;
}

const Application& App() {
  static const Application app = [] {
    std::vector<unsigned char> block = VersionBlock();
    Application result;
    result.title = FromWide(kAppTitle);
    result.fileDescription = StringValue(block, L"FileDescription");
    result.productName = StringValue(block, L"ProductName");
    void* value = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\", &value, &length) &&
        length >= sizeof(VS_FIXEDFILEINFO)) {
      const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
      result.major = HIWORD(fixed->dwFileVersionMS);
      result.minor = LOWORD(fixed->dwFileVersionMS);
      result.revision = LOWORD(fixed->dwFileVersionLS);
    }
    return result;
  }();
  return app;
}

}  // namespace orm::win32
