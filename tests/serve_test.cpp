// skilltab serve at the HTTP level: what it refuses before it listens, the
// rules every request passes (a row a rule, each checking that no file
// changed), a save, and how it ends.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <thread>

#include "stand_in_game.h"
#include "support/program_run.h"

namespace {

const std::vector<unsigned char> TABLE = make_plausible_table();
const std::string BLOCK = as_string(TABLE);

// A connection to the server on 127.0.0.1, or -1.
int connect_to(int port)
{
    int connection = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(connection);
        return -1;
    }
    return connection;
}

// A connection to the server: the request's bytes sent whole, the write
// side closed, and everything the server answers until it closes.
std::string talk(int port, const std::string& bytes, int wait_milliseconds = 5000)
{
    int connection = connect_to(port);
    if (connection < 0)
        return "<no connection>";
    for (size_t sent = 0; sent < bytes.size();) {
        ssize_t count = send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0)
            break;
        sent += static_cast<size_t>(count);
    }
    shutdown(connection, SHUT_WR);
    std::string answer;
    pollfd waiting = {connection, POLLIN, 0};
    char buffer[65536];
    while (poll(&waiting, 1, wait_milliseconds) > 0) {
        ssize_t count = recv(connection, buffer, sizeof buffer, 0);
        if (count <= 0)
            break;
        answer.append(buffer, static_cast<size_t>(count));
    }
    close(connection);
    return answer;
}

int status_of(const std::string& answer)
{
    return answer.starts_with("HTTP/1.1 ") ? std::atoi(answer.c_str() + 9) : 0;
}

std::string header_of(const std::string& answer, const std::string& name)
{
    std::smatch found;
    if (std::regex_search(answer, found, std::regex("\r\n" + name + ": ([^\r]*)\r\n", std::regex::icase)))
        return found[1].str();
    return "<none>";
}

std::string body_of(const std::string& answer)
{
    size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? "" : answer.substr(end + 4);
}

class ServeTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
    }
    // Starts serve on FILE; the port and token it printed.
    void start_serve(const std::vector<std::string>& words)
    {
        stdout_path = base_dir + "/serve.out";
        std::remove(stdout_path.c_str());
        arguments = words;
        process = start("");
        arguments.clear();
        stdout_path.clear();
        std::smatch found;
        const std::regex line("^Serving (.*) at http://127\\.0\\.0\\.1:([0-9]+)/#token=([0-9a-f]{32})\nPress Ctrl-C to stop\\.\n$");
        for (int waited = 0; waited < 10000; waited += 20) {
            printed = read_whole_file(base_dir + "/serve.out");
            if (std::regex_match(printed, found, line))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ASSERT_TRUE(std::regex_match(printed, found, line)) << printed;
        port = std::stoi(found[2].str());
        token = found[3].str();
    }
    std::string request(const std::string& method, const std::string& target, const std::string& extra = "",
                        const std::string& body = "")
    {
        std::string host = "127.0.0.1:" + std::to_string(port);
        std::string bytes = method + " " + target + " HTTP/1.1\r\nHost: " + host + "\r\n" + extra;
        if (!body.empty() || method == "POST")
            bytes += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        return talk(port, bytes + "\r\n" + body);
    }
    std::string bearer() const { return "Authorization: Bearer " + token + "\r\n"; }
    std::string origin() const { return "Origin: http://127.0.0.1:" + std::to_string(port) + "\r\n"; }
    ProgramRun stop(int signal_number)
    {
        // Wine makes SIGINT the console's Ctrl-C; the other signals end Wine itself.
        kill(process, testing_windows() ? SIGINT : signal_number);
        return finish(process);
    }

    int process = 0, port = 0;
    std::string token, printed;
};

TEST_F(ServeTest, WhatServeRefusesBeforeItListens)
{
    put("kept.blk", BLOCK);
    put("patch.txt", "Skill Knight\nStaff GGGG\n");
    put("mm7_new.exe", "a copy");
    // A port taken by another program.
    int holder = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(holder, 1), 0);
    socklen_t size = sizeof address;
    getsockname(holder, reinterpret_cast<sockaddr*>(&address), &size);
    const std::string taken = std::to_string(ntohs(address.sin_port));
    const std::string HINT = "Try 'skilltab --help' for more information.\n";
    struct {
        std::vector<std::string> words;
        std::string err;
        int status;
        std::string wrapper = "";  // strace, which makes a call fail
    } const ROWS[] = {
        {{"serve", "--port", "0", "kept.blk"}, "skilltab: --port takes a number from 1 to 65535\n" + HINT, 2},
        {{"serve", "--port", "65536", "kept.blk"}, "skilltab: --port takes a number from 1 to 65535\n" + HINT, 2},
        {{"serve", "--port", "8x", "kept.blk"}, "skilltab: --port takes a number from 1 to 65535\n" + HINT, 2},
        {{"serve", "--port"}, "skilltab: --port takes a number from 1 to 65535\n" + HINT, 2},
        {{"serve", "--no-open", "--no-open", "kept.blk"}, "skilltab: serve takes [--port N] [--no-open] [FILE]\n" + HINT, 2},
        {{"serve", "--port", "8123", "--port"}, "skilltab: serve takes [--port N] [--no-open] [FILE]\n" + HINT, 2},
        {{"serve", "a.blk", "b.blk"}, "skilltab: serve takes [--port N] [--no-open] [FILE]\n" + HINT, 2},
        {{"serve", "--no-open", "patch.txt"}, "skilltab: patch.txt: serve changes only a game executable or a skill block file\n", 1},
        {{"serve", "--no-open", "mm7_new.exe"}, "skilltab: mm7_new.exe: is kept for the copy of the game that apply makes\n", 1},
        {{"serve", "--no-open"}, "skilltab: mm7.exe: cannot open: No such file or directory\n", 1},
        {{"serve", "--no-open", "--port", taken, "kept.blk"},
         "skilltab: cannot listen on 127.0.0.1:" + taken + ": Address already in use\n", 1},
        {{"serve", "--no-open", "kept.blk"}, "skilltab: no random token: Input/output error\n", 1,
         "env ASAN_OPTIONS=detect_leaks=0 strace -qq -o /dev/null -e inject=getrandom:error=EIO"},
    };
    for (const auto& row : ROWS) {
        if (!row.wrapper.empty() && (testing_windows() || std::system("strace -V >/dev/null 2>&1") != 0))
            continue;  // strace makes the failure, on Linux
        program_wrapper = row.wrapper;
        ProgramRun result = run_command(row.words);
        program_wrapper.clear();
        EXPECT_EQ(result.err, row.err) << row.words.back();
        EXPECT_EQ(result.out, "") << row.words.back();
        EXPECT_EQ(result.status, row.status) << row.words.back();
    }
    close(holder);
    EXPECT_EQ(get("kept.blk"), BLOCK);
    EXPECT_EQ(files(), (std::set<std::string>{"kept.blk", "mm7_new.exe", "patch.txt"}));
}

TEST_F(ServeTest, EveryRequestIsCheckedBeforeAnythingIsReadOrWritten)
{
    put("kept.blk", BLOCK);
    start_serve({"serve", "--no-open", "kept.blk"});
    const std::string change = "shown=" + std::string(1332, '1') + "&change=" + std::string(1332, '.');
    const std::string page_host = "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
    struct {
        const char* rule;
        std::string bytes;  // the whole request; empty: `target` by GET with the token
        int status;
        std::string allow = "<none>";
    } const ROWS[] = {
        {"headers over 8 KiB", "GET / HTTP/1.1\r\n" + page_host + "X-Long: " + std::string(9000, 'x') + "\r\n\r\n", 431},
        {"a malformed request", "GARBAGE\r\n\r\n", 400},
        {"an absolute-form target", "GET http://127.0.0.1:" + std::to_string(port) + "/ HTTP/1.1\r\n" + page_host + "\r\n", 400},
        {"another host: a page elsewhere that rebinds its name", "GET / HTTP/1.1\r\nHost: evil.example:" + std::to_string(port) + "\r\n\r\n", 403},
        {"a host without the port", "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 403},
        {"no host", "GET / HTTP/1.0\r\n\r\n", 403},
        {"the table without the token", "GET /api/table HTTP/1.1\r\n" + page_host + "\r\n", 403},
        {"the table with another token", "GET /api/table HTTP/1.1\r\n" + page_host + "Authorization: Bearer " + std::string(32, '0') + "\r\n\r\n", 403},
        {"the table with the token as a cookie", "GET /api/table HTTP/1.1\r\n" + page_host + "Cookie: token=" + token + "\r\n\r\n", 403},
        {"a file of the disk", "GET /../../../etc/passwd HTTP/1.1\r\n" + page_host + bearer() + "\r\n", 404},
        {"a dot-dot escaped", "GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\n" + page_host + bearer() + "\r\n", 404},
        {"a backslash", "GET /..\\..\\kept.blk HTTP/1.1\r\n" + page_host + bearer() + "\r\n", 404},
        {"a NUL", "GET /page.js%00.html HTTP/1.1\r\n" + page_host + "\r\n", 404},
        {"the file itself", "GET /kept.blk HTTP/1.1\r\n" + page_host + bearer() + "\r\n", 404},
        {"a change by GET", "GET /api/save HTTP/1.1\r\n" + page_host + bearer() + "\r\n", 405, "POST"},
        {"the page by POST", "POST / HTTP/1.1\r\n" + page_host + "Content-Length: 0\r\n\r\n", 405, "GET"},
        {"a change from a page elsewhere",
         "POST /api/save HTTP/1.1\r\n" + page_host + bearer() + "Origin: http://evil.example\r\nContent-Length: "
             + std::to_string(change.size()) + "\r\n\r\n" + change,
         403},
        {"a change from a form (Origin null)",
         "POST /api/save HTTP/1.1\r\n" + page_host + bearer() + "Origin: null\r\nContent-Length: "
             + std::to_string(change.size()) + "\r\n\r\n" + change,
         403},
        {"a change without an Origin",
         "POST /api/save HTTP/1.1\r\n" + page_host + bearer() + "Content-Length: " + std::to_string(change.size())
             + "\r\n\r\n" + change,
         403},
        {"a quit from a page elsewhere", "POST /api/quit HTTP/1.1\r\n" + page_host + bearer() + "Origin: http://localhost:1\r\nContent-Length: 0\r\n\r\n", 403},
        {"a body over 1 MiB, told before it is read",
         "POST /api/save HTTP/1.1\r\n" + page_host + bearer() + origin() + "Content-Length: 2000000\r\n\r\n", 413},
        {"a malformed change", "POST /api/save HTTP/1.1\r\n" + page_host + bearer() + origin() + "Content-Length: 6\r\n\r\nshown=", 400},
        // The page holds no part of the table, and is served to anyone who passes the Host check.
        {"the page", "GET / HTTP/1.1\r\nHost: localhost:" + std::to_string(port) + "\r\n\r\n", 200},
        {"the script", "GET /page.js HTTP/1.1\r\n" + page_host + "\r\n", 200},
        {"the table with the token", "GET /api/table HTTP/1.1\r\n" + page_host + bearer() + "\r\n", 200},
        {"a download without the token", "GET /api/csv HTTP/1.1\r\n" + page_host + "\r\n", 403},
        {"a download", "GET /api/text HTTP/1.1\r\n" + page_host + bearer() + "\r\n", 200},
        {"a patch opened by GET", "GET /api/open HTTP/1.1\r\n" + page_host + bearer() + "\r\n", 405, "POST"},
        {"my changes asked from a page elsewhere",
         "POST /api/changes HTTP/1.1\r\n" + page_host + bearer() + "Origin: http://evil.example\r\nContent-Length: "
             + std::to_string(change.size()) + "\r\n\r\n" + change,
         403},
    };
    for (const auto& row : ROWS) {
        const std::string answer = talk(port, row.bytes);
        EXPECT_EQ(status_of(answer), row.status) << row.rule << "\n" << answer.substr(0, 300);
        EXPECT_EQ(header_of(answer, "Allow"), row.allow) << row.rule;
        EXPECT_EQ(header_of(answer, "Content-Security-Policy"),
                  "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src 'self'; "
                  "form-action 'none'; base-uri 'none'; frame-ancestors 'none'")
            << row.rule;
        EXPECT_EQ(header_of(answer, "X-Content-Type-Options"), "nosniff") << row.rule;
        EXPECT_EQ(header_of(answer, "Cache-Control"), "no-store") << row.rule;
        EXPECT_EQ(header_of(answer, "Referrer-Policy"), "no-referrer") << row.rule;
        EXPECT_EQ(header_of(answer, "Access-Control-Allow-Origin"), "<none>") << row.rule;
        EXPECT_EQ(header_of(answer, "Set-Cookie"), "<none>") << row.rule;
        const bool gives_table = body_of(answer).find("\"levels\"") != std::string::npos;
        if (std::string(row.rule) == "a download") {
            EXPECT_EQ(header_of(answer, "Content-Disposition"), "attachment; filename*=UTF-8''kept.txt");
        }
        EXPECT_EQ(gives_table, std::string(row.rule) == "the table with the token") << row.rule;
        EXPECT_EQ(get("kept.blk"), BLOCK) << row.rule;
        EXPECT_EQ(files(), std::set<std::string>{"kept.blk"}) << row.rule;
    }
    ProgramRun result = stop(SIGTERM);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
}

TEST_F(ServeTest, ASaveIsAChangeUnderTheLock)
{
    put("kept.blk", BLOCK);
    start_serve({"serve", "--no-open", "kept.blk"});
    auto levels = [](const std::string& block) {
        std::string digits;
        for (char level : block)
            digits += static_cast<char>('0' + level);
        return digits;
    };
    // The Knight's Staff before promotion (index 0) to Grandmaster, as shown from the file.
    std::string change(1332, '.');
    change[0] = BLOCK[0] == 4 ? '3' : '4';
    const std::string body = "shown=" + levels(BLOCK) + "&change=" + change;
    std::string answer = request("POST", "/api/save", bearer() + origin(), body);
    EXPECT_EQ(status_of(answer), 200) << answer;
    EXPECT_NE(body_of(answer).find("\"status\":\"Changed entries: 1\\n\""), std::string::npos) << answer;
    std::string expected = BLOCK;
    expected[0] = static_cast<char>(change[0] - '0');
    EXPECT_EQ(get("kept.blk"), expected);
    // The same change from the same shown levels again: made already, nothing to write.
    answer = request("POST", "/api/save", bearer() + origin(), body);
    EXPECT_NE(body_of(answer).find("\"status\":\"Changed entries: 0\\n\""), std::string::npos) << answer;
    // No level changed at all.
    answer = request("POST", "/api/save", bearer() + origin(), "shown=" + levels(expected) + "&change=" + std::string(1332, '.'));
    EXPECT_NE(body_of(answer).find("\"status\":\"No changes.\\n\""), std::string::npos) << answer;
    // A conflict, its words and Quit: the page's tests.
    EXPECT_EQ(files(), std::set<std::string>{"kept.blk"});
    EXPECT_EQ(stop(SIGINT).status, 0);
}

TEST_F(ServeTest, SlowAndIdleConnectionsDoNotShutTheUserOut)
{
    put("kept.blk", BLOCK);
    start_serve({"serve", "--no-open", "kept.blk"});
    // Fifty connections that send a header line now and then.
    std::vector<int> slow;
    for (int i = 0; i < 50; ++i) {
        int connection = connect_to(port);
        ASSERT_GE(connection, 0);
        std::string start_line = "GET / HTTP/1.1\r\nX-Slow: 1\r\n";
        send(connection, start_line.data(), start_line.size(), MSG_NOSIGNAL);
        slow.push_back(connection);
    }
    for (int round = 0; round < 3; ++round) {
        for (int connection : slow)
            send(connection, "X-More: 1\r\n", 11, MSG_NOSIGNAL);
        auto started = std::chrono::steady_clock::now();
        std::string answer = request("GET", "/page.js");
        auto took = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(status_of(answer), 200);
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 1000);
    }
    // Past 64 connections the oldest idle ones go, and the user still gets in.
    std::vector<int> idle;
    for (int i = 0; i < 30; ++i)
        idle.push_back(connect_to(port));
    EXPECT_EQ(status_of(request("GET", "/page.js")), 200);
    for (int connection : slow)
        close(connection);
    for (int connection : idle)
        close(connection);
    EXPECT_EQ(stop(SIGINT).status, 0);
}

TEST_F(ServeTest, TheBrowserIsGivenAFileOfTheUsersAloneNeverTheToken)
{
    if (testing_windows())
        GTEST_SKIP() << "the browser here is a shell script, which Windows' shell cannot start";
    put("kept.blk", BLOCK);
    // A browser that notes its words and the file it was given.
    put("browser.sh", "#!/bin/sh\necho \"$@\" > " + path("words.txt") + "\nstat -c %a \"$1\" > " + path("mode.txt")
                          + "\ncat \"$1\" > " + path("opened.html") + "\n");
    chmod(path("browser.sh").c_str(), 0755);
    setenv("BROWSER", path("browser.sh").c_str(), 1);
    start_serve({"serve", "kept.blk"});
    unsetenv("BROWSER");
    for (int waited = 0; waited < 5000 && get("opened.html").find("</html>") == std::string::npos; waited += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string words = get("words.txt");
    EXPECT_TRUE(std::regex_match(words, std::regex("/[^ ]*/skilltab-[A-Za-z0-9]{6}\\.html\n"))) << words;
    EXPECT_EQ(words.find(token), std::string::npos) << "the token on a command line";
    EXPECT_EQ(get("mode.txt"), "600\n");
    EXPECT_NE(get("opened.html").find("http://127.0.0.1:" + std::to_string(port) + "/#token=" + token),
              std::string::npos);
    ProgramRun result = stop(SIGHUP);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    const std::string opened = words.substr(0, words.size() - 1);
    EXPECT_NE(access(opened.c_str(), F_OK), 0) << "the file for the browser left behind";
    std::remove(opened.c_str());
}

}  // namespace
