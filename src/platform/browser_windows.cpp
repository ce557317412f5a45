// The browser on Windows: the shell opens the file as a double-click would.
#include "platform/browser.h"

#include <cerrno>
#include <cstdlib>
#include <windows.h>
#include <shellapi.h>

BrowserStart open_browser(const char* file)
{
    const char* browser = std::getenv("BROWSER");
    HINSTANCE started = browser != nullptr && browser[0] != '\0'
                            ? ShellExecuteA(nullptr, "open", browser, file, nullptr, SW_SHOWNORMAL)
                            : ShellExecuteA(nullptr, "open", file, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) <= 32) {
        errno = ENOENT;
        return BrowserStart::NOT_STARTED;
    }
    return BrowserStart::STARTED;
}
