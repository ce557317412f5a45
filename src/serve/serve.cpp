// The server of skilltab serve, through Boost.Beast over Boost.Asio, on one
// thread: a save runs whole inside its request's handler, so a signal that
// stops the server is taken only once the save is finished.
//
// Every request is checked before anything is read or written, in this
// order, each refusal answered and its connection closed: a request line
// or headers over 8 KiB (431), a malformed request or a target that is not
// a path (400), a Host that is not this server's (403), a path that is no
// page's nor the table's (404), the token for the table (403), the method
// (405, with Allow), the Origin of a change (403), a body over 1 MiB told
// by Content-Length (413).
#include "serve/serve.h"

#include <utility>  // before Asio, whose coroutine header of Boost 1.74 needs std::exchange

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/optional.hpp>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "core/outcome_words.h"
#include "core/table_files.h"
#include "core/table_operations.h"
#include "pages/table_page.h"
#include "platform/browser.h"
#include "platform/console.h"
#include "platform/error_lines.h"
#include "platform/random.h"
#include "platform/user_editor.h"
#include "text/shown_text.h"

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;

namespace {

const char* const PAGE_HTML =
#include "serve/page.html.inc"
    ;
const char* const PAGE_SCRIPT =
#include "serve/page.js.inc"
    ;
const char* const PAGE_EXTRA_STYLE =
#include "serve/page.css.inc"
    ;

constexpr std::size_t HEADER_LIMIT = 8 * 1024;
constexpr std::uint64_t BODY_LIMIT = 1024 * 1024;
constexpr auto REQUEST_TIME = std::chrono::seconds(30);
constexpr std::size_t CONNECTIONS_MAX = 64;
constexpr auto ACCEPT_RETRY = std::chrono::milliseconds(100);
constexpr int TOKEN_BYTES = 16;

constexpr const char* SECURITY_POLICY =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src 'self'; "
    "form-action 'none'; base-uri 'none'; frame-ancestors 'none'";

std::string shown(const char* text)
{
    return shown_text(text, code_page_is_utf8() ? CodePage::UTF8 : CodePage::OTHER);
}

void say(const char* name, const std::string& what)
{
    print_error("skilltab: %s: %s\n", shown(name).c_str(), what.c_str());
}

int usage_error(const char* problem)
{
    print_error("skilltab: %s\nTry 'skilltab --help' for more information.\n", problem);
    return 2;
}

// What the command line gave serve.
struct ServeOptions {
    unsigned short port;  // 0: the system picks one
    bool open_browser;
    const char* name;
};

// 0 with the options read, or the exit status of a usage error.
int read_options(int count, char** words, ServeOptions* options)
{
    *options = {0, true, "mm7.exe"};
    bool port_given = false, no_open_given = false;
    int at = 0;
    for (; at < count; ++at) {
        if (std::strcmp(words[at], "--port") == 0 && !port_given) {
            port_given = true;
            long port = -1;
            char* end = nullptr;
            if (at + 1 < count && words[at + 1][0] >= '0' && words[at + 1][0] <= '9')
                port = std::strtol(words[at + 1], &end, 10);
            if (port < 1 || port > 65535 || end == nullptr || *end != '\0')
                return usage_error("--port takes a number from 1 to 65535");
            options->port = static_cast<unsigned short>(port);
            ++at;
        } else if (std::strcmp(words[at], "--no-open") == 0 && !no_open_given) {
            no_open_given = true;
            options->open_browser = false;
        } else {
            break;
        }
    }
    if (count - at > 1 || (count - at == 1 && (words[at][0] == '\0' || std::strcmp(words[at], "--port") == 0
                                               || std::strcmp(words[at], "--no-open") == 0)))
        return usage_error("serve takes [--port N] [--no-open] [FILE]");
    if (count - at == 1)
        options->name = words[at];
    return 0;
}

// What edit refuses before its editor, refused before the server listens.
bool check_file(const char* name, TableFile* file)
{
    int error_number = find_table_file(file, name);
    if (error_number != 0) {
        say(name, std::string("cannot open: ") + std::strerror(error_number));
        return false;
    }
    Target target = check_target(*file, TargetUse::CHANGE);
    switch (target) {
    case Target::ALLOWED: break;
    case Target::GAME_WRITTEN:
    case Target::SAME_AS_GAME:
    case Target::COPY_OF_GAME:
    case Target::TEXT_CHANGED:
        say(name, describe_target(target, "serve changes only a game executable or a skill block file"));
        return false;
    }
    Table table;
    TableRead read;
    Outcome outcome = read_table_file(file, &table, &read);
    std::vector<std::string> lines = describe_result({outcome, read.error_number, {"", 0}}, name, &read, shown);
    if (lines.empty())
        lines = describe_result(try_change(*file), name, nullptr, shown);
    for (const std::string& line : lines)
        print_error("skilltab: %s\n", line.c_str());
    return lines.empty();
}

// Text as a JSON string, quotes included.
std::string json_string(const std::string& text)
{
    std::string json = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c == '\n') {
            json += "\\n";
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
        } else {
            json += static_cast<char>(c);
        }
    }
    return json + "\"";
}

// Whether two secrets are the same, in a time that does not tell how much of them is.
bool same_secret(const std::string& given, const std::string& token)
{
    unsigned difference = given.size() == token.size() ? 0 : 1;
    for (std::size_t i = 0; i < token.size(); ++i)
        difference |= static_cast<unsigned char>(i < given.size() ? given[i] : 0) ^ static_cast<unsigned char>(token[i]);
    return difference == 0;
}

// The paths the server answers, and who may ask for them.
enum class Route { PAGE, SCRIPT, STYLE, TABLE, TEXT, CSV, SAVE, CHANGES, OPEN, QUIT, NONE };

struct RoutePath {
    const char* path;
    Route route;
};

constexpr RoutePath ROUTES[] = {
    {"/", Route::PAGE},          {"/page.js", Route::SCRIPT},     {"/page.css", Route::STYLE},
    {"/api/table", Route::TABLE}, {"/api/text", Route::TEXT},      {"/api/csv", Route::CSV},
    {"/api/save", Route::SAVE},   {"/api/changes", Route::CHANGES}, {"/api/open", Route::OPEN},
    {"/api/quit", Route::QUIT},
};

// The route of a request's target, whole and exact: no file of the disk is
// ever looked up, whatever the target holds.
Route find_route(beast::string_view path)
{
    for (const RoutePath& route : ROUTES) {
        if (path == route.path)
            return route.route;
    }
    return Route::NONE;
}

struct RouteRules {
    bool needs_token;
    http::verb method;
};

RouteRules rules_of(Route route)
{
    switch (route) {
    case Route::PAGE:
    case Route::SCRIPT:
    case Route::STYLE: return {false, http::verb::get};
    case Route::TABLE:
    case Route::TEXT:
    case Route::CSV: return {true, http::verb::get};
    case Route::SAVE:
    case Route::CHANGES:
    case Route::OPEN:
    case Route::QUIT: return {true, http::verb::post};
    case Route::NONE: break;
    }
    return {false, http::verb::unknown};
}

using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

class Server;

// One connection: its requests one after the other, each read within REQUEST_TIME.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket&& socket, Server* server) : stream_(std::move(socket)), server_(server) {}
    void start() { read_header(); }
    bool is_idle() const { return idle_; }
    void close()
    {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.close();
    }

private:
    void read_header();
    void on_header(beast::error_code error);
    void on_body(beast::error_code error);
    void answer(Response response, bool keep_open);
    void refuse(http::status status, const char* allow = nullptr);

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    boost::optional<http::request_parser<http::string_body>> parser_;
    Server* server_;
    Route route_ = Route::NONE;
    bool idle_ = true;
};

class Server {
public:
    Server(net::io_context& context, const TableFile& file, std::string token, unsigned short port)
        : context_(context), acceptor_(context), retry_(context), file_(file), token_(std::move(token)), port_(port)
    {}

    // Listens on 127.0.0.1 (never with SO_REUSEADDR); the error on failure.
    beast::error_code listen()
    {
        beast::error_code error;
        tcp::endpoint endpoint(net::ip::make_address_v4("127.0.0.1"), port_);
        acceptor_.open(endpoint.protocol(), error);
        if (!error)
            acceptor_.bind(endpoint, error);
        if (!error)
            acceptor_.listen(net::socket_base::max_listen_connections, error);
        if (!error)
            port_ = acceptor_.local_endpoint(error).port();
        return error;
    }
    unsigned short port() const { return port_; }
    void accept()
    {
        acceptor_.async_accept([this](beast::error_code error, tcp::socket socket) {
            if (error) {
                if (error == net::error::operation_aborted)
                    return;
                retry_.expires_after(ACCEPT_RETRY);
                retry_.async_wait([this](beast::error_code) { accept(); });
                return;
            }
            make_room();
            auto session = std::make_shared<Session>(std::move(socket), this);
            sessions_.push_back(session);
            session->start();
            accept();
        });
    }
    // Stops the server from any thread, once the request under way is answered.
    void stop_soon()
    {
        net::post(context_, [this] { stop(); });
    }
    void stop()
    {
        beast::error_code ignored;
        acceptor_.close(ignored);
        context_.stop();
    }

    // The checks a request's header passes before anything else: the
    // status of its refusal, or ok.
    http::status check(const Request& request, boost::optional<std::uint64_t> length, Route* route,
                       const char** allow) const;
    Response answer(Route route, const Request& request);

private:
    // At most CONNECTIONS_MAX at once: past that the oldest idle one goes.
    void make_room()
    {
        sessions_.remove_if([](const std::weak_ptr<Session>& session) { return session.expired(); });
        if (sessions_.size() < CONNECTIONS_MAX)
            return;
        for (auto& weak : sessions_) {
            auto session = weak.lock();
            if (session && session->is_idle()) {
                session->close();
                return;
            }
        }
    }
    bool is_own_host(beast::string_view host) const
    {
        std::string port = std::to_string(port_);
        return host == "127.0.0.1:" + port || host == "localhost:" + port;
    }
    bool is_own_origin(beast::string_view origin) const
    {
        std::string port = std::to_string(port_);
        return origin == "http://127.0.0.1:" + port || origin == "http://localhost:" + port;
    }
    std::string table_json(const std::string& status, const std::string& dropped);
    Response save(const Request& request);
    Response download(TableKind kind);
    Response download_changes(const Request& request);
    Response open_patch(const Request& request);

    net::io_context& context_;
    tcp::acceptor acceptor_;
    net::steady_timer retry_;
    TableFile file_;
    std::string token_;
    unsigned short port_;
    std::list<std::weak_ptr<Session>> sessions_;
};

Response make_response(http::status status, const char* type, std::string body)
{
    Response response{status, 11};
    response.set(http::field::server, "skilltab");
    response.set(http::field::content_type, type);
    response.set("Content-Security-Policy", SECURITY_POLICY);
    response.set("X-Content-Type-Options", "nosniff");
    response.set(http::field::cache_control, "no-store");
    response.set("Referrer-Policy", "no-referrer");
    response.body() = std::move(body);
    response.prepare_payload();
    return response;
}

http::status Server::check(const Request& request, boost::optional<std::uint64_t> length, Route* route,
                           const char** allow) const
{
    beast::string_view target = request.target();
    if (target.empty() || target[0] != '/')
        return http::status::bad_request;  // an absolute-form target, or none
    if (!is_own_host(request[http::field::host]))
        return http::status::forbidden;
    *route = find_route(target);
    RouteRules rules = rules_of(*route);
    if (rules.method == http::verb::unknown)
        return http::status::not_found;
    if (rules.needs_token && !same_secret(std::string(request[http::field::authorization]), "Bearer " + token_))
        return http::status::forbidden;
    if (request.method() != rules.method) {
        *allow = rules.method == http::verb::get ? "GET" : "POST";
        return http::status::method_not_allowed;
    }
    if (rules.method == http::verb::post && !is_own_origin(request[http::field::origin]))
        return http::status::forbidden;
    if (length && *length > BODY_LIMIT)
        return http::status::payload_too_large;
    return http::status::ok;
}

std::string Server::table_json(const std::string& status, const std::string& dropped)
{
    Table table;
    TableRead read;
    Outcome outcome = read_table_file(&file_, &table, &read);
    std::string read_status;
    for (const std::string& line : describe_result({outcome, read.error_number, {"", 0}}, file_.typed, &read, shown))
        read_status += line + "\n";
    std::string name, grid;
    add_escaped(&name, file_.typed);
    if (read_status.empty())
        add_control_grid(&grid, &table);
    return "{\"name\":" + json_string(name) + ",\"levels\":" + json_string(read_status.empty() ? format_level_digits(&table) : "")
           + ",\"grid\":" + json_string(grid) + ",\"status\":" + json_string(status + read_status)
           + ",\"dropped\":" + json_string(dropped) + "}";
}

// The change the page sends ("shown=LEVELS&change=LEVELS", each as
// format_level_digits writes it): the levels it showed, whole, and those
// the user changed. False for anything else.
bool read_change(const std::string& body, Table* shown_table, Table* change)
{
    std::size_t split = body.find('&');
    return split != std::string::npos && body.compare(0, 6, "shown=") == 0 && body.compare(split, 8, "&change=") == 0
           && read_level_digits(body.substr(6, split - 6), shown_table) && is_complete(shown_table)
           && read_level_digits(body.substr(split + 8), change);
}

Response malformed_change()
{
    return make_response(http::status::bad_request, "text/plain; charset=utf-8", "a malformed change\n");
}

// A header's value as the page's encodeURIComponent wrote it.
std::string percent_decoded(beast::string_view text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1]))
            && std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            decoded += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// A file to save, named after the served file's last part with another
// ending (RFC 6266's filename*, in UTF-8).
Response attachment(std::string body, const char* type, const char* typed, const char* ending)
{
    std::string name = typed;
    std::size_t folder = name.find_last_of("/\\");
    if (folder != std::string::npos)
        name.erase(0, folder + 1);
    std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    name += ending;
    std::string encoded;
    for (unsigned char c : name) {
        char escaped[4];
        bool plain = std::isalnum(c) || c == '.' || c == '-' || c == '_';
        std::snprintf(escaped, sizeof escaped, "%%%02X", c);
        encoded += plain ? std::string(1, static_cast<char>(c)) : std::string(escaped);
    }
    Response response = make_response(http::status::ok, type, std::move(body));
    response.set(http::field::content_disposition, "attachment; filename*=UTF-8''" + encoded);
    return response;
}

// The file's table as it is now, as convert writes it.
Response Server::download(TableKind kind)
{
    Table table;
    TableRead read;
    Outcome outcome = read_table_file(&file_, &table, &read);
    if (!is_done(outcome)) {
        std::string words;
        for (const std::string& line : describe_result({outcome, read.error_number, {"", 0}}, file_.typed, &read, shown))
            words += line + "\n";
        return make_response(http::status::conflict, "text/plain; charset=utf-8", words);
    }
    switch (kind) {
    case TableKind::CSV:
        return attachment(format_table_file(&table, kind), "text/csv; charset=utf-8", file_.typed, ".csv");
    case TableKind::TEXT:
    case TableKind::GAME_EXE:
    case TableKind::SKILL_BLOCK: break;
    }
    return attachment(format_table_file(&table, TableKind::TEXT), "text/plain; charset=utf-8", file_.typed, ".txt");
}

// The changes not saved, as diff --patch writes the patch from the file's
// levels to the page's.
Response Server::download_changes(const Request& request)
{
    Table shown_table, change, patch;
    if (!read_change(request.body(), &shown_table, &change))
        return malformed_change();
    Table changed = shown_table;
    write_change(&changed, &change);
    make_patch(&shown_table, &changed, &patch);
    return attachment(format_table_file(&patch, TableKind::TEXT), "text/plain; charset=utf-8", file_.typed,
                      "-changes.txt");
}

// A patch from the user's disk (its name in X-Patch-Name, its bytes the
// body), read as its name's kind: its levels, or the mistake in the
// command line's words.
Response Server::open_patch(const Request& request)
{
    std::string name = percent_decoded(request["X-Patch-Name"]);
    TableKind kind = find_kind_of_name(name.c_str());
    std::string status;
    Table patch;
    clear_table(&patch);
    switch (kind) {
    case TableKind::TEXT:
    case TableKind::CSV: {
        TableRead read;
        Outcome outcome = read_table_bytes(request.body(), kind, &patch, &read);
        for (const std::string& line : describe_result({outcome, read.error_number, {"", 0}}, name.c_str(), &read, shown))
            status += line + "\n";
        break;
    }
    case TableKind::GAME_EXE:
    case TableKind::SKILL_BLOCK: status = shown(name.c_str()) + ": a patch is a text (.txt) or a CSV (.csv)\n"; break;
    }
    if (!status.empty())
        clear_table(&patch);
    return make_response(http::status::ok, "application/json",
                         "{\"levels\":" + json_string(format_level_digits(&patch)) + ",\"status\":" + json_string(status) + "}");
}

// The change the page sends written as edit writes a user's change.
Response Server::save(const Request& request)
{
    Table shown_table, change;
    if (!read_change(request.body(), &shown_table, &change))
        return malformed_change();
    if (!keep_changed_levels(&change, &shown_table))
        return make_response(http::status::ok, "application/json", table_json("No changes.\n", ""));
    ChangeResult result = change_table(file_, change, &shown_table);
    std::string status, dropped;
    switch (result.end) {
    case ChangeEnd::WRITTEN:
    case ChangeEnd::NONE: status = "Changed entries: " + std::to_string(result.count) + "\n"; break;
    case ChangeEnd::CONFLICT: {
        for (Entry entry : conflicting_entries(result.now, shown_table, change)) {
            char yours[ENTRY_SIZE], theirs[ENTRY_SIZE];
            format_table_entry(&change, entry.class_index, entry.slot, yours);
            format_table_entry(&result.now, entry.class_index, entry.slot, theirs);
            status += shown(file_.typed) + ": " + skill_text_names[entry.slot] + " " + class_names[entry.class_index]
                      + ": you set " + yours + ", it now holds " + theirs + "\n";
        }
        status += "Nothing was saved.\n";
        Table conflicts;
        find_conflicting_levels(&result.now, &shown_table, &change, &conflicts);
        dropped = format_level_digits(&conflicts);
        break;
    }
    case ChangeEnd::FAILED: break;
    }
    for (const std::string& line : describe_result(result.file, file_.typed, nullptr, shown))
        status += line + "\n";
    return make_response(http::status::ok, "application/json", table_json(status, dropped));
}

Response Server::answer(Route route, const Request& request)
{
    switch (route) {
    case Route::PAGE: return make_response(http::status::ok, "text/html; charset=utf-8", PAGE_HTML);
    case Route::SCRIPT: return make_response(http::status::ok, "text/javascript; charset=utf-8", PAGE_SCRIPT);
    case Route::STYLE:
        return make_response(http::status::ok, "text/css; charset=utf-8", std::string(PAGE_STYLE) + PAGE_EXTRA_STYLE);
    case Route::TABLE: return make_response(http::status::ok, "application/json", table_json("", ""));
    case Route::TEXT: return download(TableKind::TEXT);
    case Route::CSV: return download(TableKind::CSV);
    case Route::SAVE: return save(request);
    case Route::CHANGES: return download_changes(request);
    case Route::OPEN: return open_patch(request);
    case Route::QUIT:
        stop_soon();
        return make_response(http::status::ok, "application/json", "{\"status\":\"stopped\"}");
    case Route::NONE: break;
    }
    return make_response(http::status::not_found, "text/plain; charset=utf-8", "not found\n");
}

void Session::read_header()
{
    idle_ = true;
    parser_.emplace();
    parser_->header_limit(HEADER_LIMIT);
    // A Content-Length over the limit is told once the header has passed its checks.
    parser_->body_limit(std::numeric_limits<std::uint64_t>::max());
    stream_.expires_after(REQUEST_TIME);
    http::async_read_header(stream_, buffer_, *parser_,
                            [self = shared_from_this()](beast::error_code error, std::size_t) { self->on_header(error); });
}

void Session::on_header(beast::error_code error)
{
    idle_ = false;
    if (error == http::error::header_limit)
        return refuse(http::status::request_header_fields_too_large);
    if (error == http::error::end_of_stream || error == beast::error::timeout || error == net::error::operation_aborted
        || error == net::error::connection_reset || error == net::error::eof)
        return close();
    if (error)
        return refuse(http::status::bad_request);
    const char* allow = nullptr;
    http::status status = server_->check(parser_->get(), parser_->content_length(), &route_, &allow);
    if (status != http::status::ok)
        return refuse(status, allow);
    parser_->body_limit(BODY_LIMIT);  // a body of no told length, too
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code body_error, std::size_t) { self->on_body(body_error); });
}

void Session::on_body(beast::error_code error)
{
    if (error == http::error::body_limit)
        return refuse(http::status::payload_too_large);
    if (error)
        return refuse(http::status::bad_request);
    Response response = server_->answer(route_, parser_->get());
    answer(std::move(response), parser_->get().keep_alive());
}

void Session::refuse(http::status status, const char* allow)
{
    Response response = make_response(status, "text/plain; charset=utf-8", std::string(obsolete_reason(status)) + "\n");
    if (allow != nullptr)
        response.set(http::field::allow, allow);
    answer(std::move(response), false);
}

void Session::answer(Response response, bool keep_open)
{
    response.keep_alive(keep_open);
    auto shared = std::make_shared<Response>(std::move(response));
    http::async_write(stream_, *shared, [self = shared_from_this(), shared, keep_open](beast::error_code error, std::size_t) {
        if (error || !keep_open)
            return self->close();
        self->read_header();
    });
}

// The page the browser is given to open: a file of the user's alone that
// leads on to the address, so that the token never stands on a command
// line that other users may read. Its name into path; false where it could
// not be made.
bool write_opening_page(const std::string& address, char* path)
{
    std::FILE* file = create_temporary_file(path, ".html");
    if (file == nullptr)
        return false;
    std::fprintf(file,
                 "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                 "<meta http-equiv=\"refresh\" content=\"0; url=%s\"><title>skilltab</title></head>\n"
                 "<body><p><a href=\"%s\">Open the skill table</a></p></body></html>\n",
                 address.c_str(), address.c_str());
    bool written = std::fflush(file) == 0 && !std::ferror(file);
    return std::fclose(file) == 0 && written;
}

std::string make_token()
{
    unsigned char bytes[TOKEN_BYTES];
    if (fill_random(bytes, sizeof bytes) != 0)
        return "";
    std::string token;
    for (unsigned char byte : bytes) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", byte);
        token += hex;
    }
    return token;
}

// Why serve cannot listen, in the same words on every system: Windows
// words a port in use by its own number in some places.
std::string describe_listen_error(const beast::error_code& error)
{
    if (error == net::error::address_in_use)
        return "Address already in use";
    if (error == net::error::access_denied)
        return "Permission denied";
    return error.message();
}

}  // namespace

int run_serve(int count, char** words)
{
    ServeOptions options;
    if (int status = read_options(count, words, &options); status != 0)
        return status;
    TableFile file;
    if (!check_file(options.name, &file))
        return 1;
    std::string token = make_token();
    if (token.empty()) {
        print_error("skilltab: no random token: %s\n", std::strerror(errno));
        return 1;
    }
    net::io_context context;
    Server server(context, file, token, options.port);
    if (beast::error_code error = server.listen()) {
        print_error("skilltab: cannot listen on 127.0.0.1:%u: %s\n", static_cast<unsigned>(options.port),
                    describe_listen_error(error).c_str());
        return 1;
    }
    std::string address = "http://127.0.0.1:" + std::to_string(server.port()) + "/#token=" + token;
    std::printf("Serving %s at %s\nPress Ctrl-C to stop.\n", shown(options.name).c_str(), address.c_str());
    std::fflush(stdout);
    char opening_page[TEMPORARY_NAME_MAX + 1] = "";
    if (options.open_browser) {
        if (!write_opening_page(address, opening_page)) {
            print_error("skilltab: cannot start a browser: %s\n", std::strerror(errno));
        } else {
            switch (open_browser(opening_page)) {
            case BrowserStart::STARTED: break;
            case BrowserStart::NO_BROWSER:
                print_error("skilltab: no browser to start: open the address above\n");
                break;
            case BrowserStart::NOT_STARTED:
                print_error("skilltab: cannot start a browser: %s\n", std::strerror(errno));
                break;
            }
        }
    }
    net::signal_set signals(context, SIGINT, SIGTERM);
#ifdef SIGHUP
    signals.add(SIGHUP);
#endif
#ifdef SIGBREAK
    signals.add(SIGBREAK);  // Ctrl-Break on a Windows console
#endif
    signals.async_wait([&server](beast::error_code, int) { server.stop(); });
    stop_when_console_closes([](void* server) { static_cast<Server*>(server)->stop_soon(); }, &server);
    server.accept();
    context.run();
    stop_when_console_closes(nullptr, nullptr);
    if (opening_page[0] != '\0')
        std::remove(opening_page);
    return 0;
}
