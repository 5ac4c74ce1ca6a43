// The support library: path, text and colour helpers, and the window chores each front end
// implements. Paths use the native separator: '/' on Linux, '\' on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The native folder separator of the build.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The path with exactly one trailing separator ("C:" gives "C:\", "C:\\\" gives "C:\").
// An empty path gives a lone separator.
std::string asAddBackslash(std::string_view path);

// The path without any trailing separator: "C:\" gives "C:", "/" gives "".
std::string asRemoveBackslash(std::string_view path);

// Folder and name joined by exactly one separator. An empty folder gives the name alone.
std::string asBuildFileName(const std::string& folder, const std::string& name);

// The extension of the last path component without its dot: "D:\pics\sea.jpg" gives "jpg".
// A name without a dot, or a dot only in a folder name ("/a.b/c"), gives "". A name that
// ends with a dot gives "". As on Windows, ".jpg" has the extension "jpg".
std::string asGetFileExtension(std::string_view path);

// The folder part of a path, without a trailing separator except at a root: "D:\pics\sea.jpg"
// gives "D:\pics", "C:\sea.jpg" gives "C:\", "/sea.jpg" gives "/". A bare name gives "".
std::string asGetFilePath(std::string_view path);

// "0x" and eight upper-case hex digits of the colour value: 0x00FFFFFF gives "0x00FFFFFF".
std::string asHexEx4(std::uint32_t colour);

// Window chores. A window handle is the front end's own: an HWND on Windows, a QWidget* in the
// Qt program. Each front end links exactly one implementation of these.
using asWindowHandle = void*;

// Centres the window on the work area of the screen it is on. Returns false when it cannot.
bool asCenterFormEx(asWindowHandle window);
// Gives the window its small and large icons from the program's icon resource resourceName.
void asSetWindowResIconAll(asWindowHandle window, const std::string& resourceName);
// The program's hidden top-level owner window, or nullptr where the platform has none.
asWindowHandle asGetThunderMainHandle();
// True when the program runs inside its development environment (never, for these builds).
bool asIsInIDE();
// Selects the whole text of a one-line text box.
void asHighlightText(asWindowHandle textBox);
// Records the running program's location with the system. Returns false when it could not;
// never throws.
bool asRegisterAppPath();
