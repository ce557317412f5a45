// An editor for the tests of edit: `edit_stub SCRIPT TEXT`. Round N (from 1)
// keeps the text it was given as seen-N.txt in the working folder, then
// follows line N of SCRIPT: an exit status (above 128: killed by the signal
// 128 below it, as 143 by SIGTERM), then pairs of files, each
// copied over the second ("-" for the text), as a user and another program
// would change them while the editor is open. A pair "crlf -" saves the
// text again with CR LF line ends, "bom -" with a byte-order mark before it,
// as some editors do with a text they were given ("utf16 -" as UTF-16); "+FILE -" adds FILE's
// bytes at the text's end, as a user who writes more; "sleep N" waits N
// milliseconds with Ctrl-C ignored, as an editor that takes it; "gone -"
// removes the text, as an editor that saves it under another name.
#include <csignal>
#include <cstdio>
#ifndef _WIN32
#include <unistd.h>
#endif
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

// The text saved again as an editor of CR LF lines or of byte-order marks saves it.
bool save_again(const std::string& how, const std::string& text)
{
    std::ifstream in(text, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string saved = how == "bom" ? "\xEF\xBB\xBF" + bytes : how == "utf16" ? "\xFF\xFE" : "";
    for (char c : bytes) {
        if (how == "crlf" && c == '\n')
            saved += '\r';
        if (how == "crlf" || how == "utf16")
            saved += c;
        if (how == "utf16")
            saved += '\0';
    }
    std::ofstream out(text, std::ios::binary | std::ios::trunc);
    out << saved;
    return static_cast<bool>(out);
}

bool add_file(const std::string& from, const std::string& to)
{
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::app);
    out << in.rdbuf();
    return in && out;
}

bool copy_file(const std::string& from, const std::string& to)
{
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    out << in.rdbuf();
    return in && out;
}

}  // namespace

int main(int count, char** arguments)
{
    if (count != 3)
        return 100;
    int round = 1;
    while (std::ifstream("seen-" + std::to_string(round) + ".txt"))
        ++round;
    std::string text = arguments[2];
    copy_file(text, "seen-" + std::to_string(round) + ".txt");
    std::ifstream script(arguments[1]);
    std::string line;
    for (int i = 0; i < round; ++i) {
        if (!std::getline(script, line))
            return 101;
    }
    std::istringstream words(line);
    int status = 0;
    words >> status;
    for (std::string from, to; words >> from >> to;) {
#ifndef _WIN32
        if (from == "sleep") {
            signal(SIGINT, SIG_IGN);
            usleep(static_cast<useconds_t>(std::stoi(to)) * 1000);
            continue;
        }
#endif
        if (from == "gone") {
            std::remove(text.c_str());
            continue;
        }
        bool saved = from == "crlf" || from == "bom" || from == "utf16" ? save_again(from, text)
                     : from[0] == '+'                ? add_file(from.substr(1), text)
                                                     : copy_file(from, to == "-" ? text : to);
        if (!saved)
            return 102;
    }
#ifndef _WIN32
    if (status > 128)
        raise(status - 128);  // killed by that signal, as an editor that was killed
#endif
    return status;
}
