// An editor for the tests of edit: `edit_stub SCRIPT TEXT`. Round N (from 1)
// keeps the text it was given as seen-N.txt in the working folder, then
// follows line N of SCRIPT: an exit status, then pairs of files, each
// copied over the second ("-" for the text), as a user and another program
// would change them while the editor is open.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

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
        if (!copy_file(from, to == "-" ? text : to))
            return 102;
    }
    return status;
}
