// What a movie may open and read. Paths are read the way Windows reads them whatever system this
// runs on: both slashes separate, names compare without case, drive letters and \\server names
// are roots, and device names (CON, NUL, COM1…) are refused in any folder and with any extension.
#include "swf/sandbox.h"

#include <cstddef>
#include <vector>

namespace swf {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

std::string lower(const std::string& s) {
    std::string out(s);
    for (char& c : out) c = lower(c);
    return out;
}

bool is_sep(char c) { return c == '/' || c == '\\'; }
bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool has_control(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
    return s.substr(b, e - b);
}

// The scheme of an address ("http"), lower case; empty when there is none. One letter before the
// colon is a drive, not a scheme.
std::string scheme_of(const std::string& s) {
    size_t i = 0;
    if (s.empty() || !is_alpha(s[0])) return {};
    while (i < s.size() && (is_alpha(s[i]) || (s[i] >= '0' && s[i] <= '9') || s[i] == '+' || s[i] == '-' || s[i] == '.'))
        ++i;
    if (i < 2 || i >= s.size() || s[i] != ':') return {};
    return lower(s.substr(0, i));
}

int hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool percent_decode(const std::string& s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return false;
        int h = hex(s[i + 1]), l = hex(s[i + 2]);
        if (h < 0 || l < 0) return false;
        out += char(h * 16 + l);
        i += 2;
    }
    return true;
}

// Names Windows opens as devices in every folder, with or without an extension.
bool is_device_name(const std::string& name) {
    std::string base = lower(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    if (base == "con" || base == "prn" || base == "aux" || base == "nul" || base == "conin$" || base == "conout$" ||
        base == "clock$")
        return true;
    if (base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0))
        return (base[3] >= '0' && base[3] <= '9') || (unsigned char)base[3] >= 0x80;
    return false;
}

// A file or folder name that means exactly what it says: no streams (":"), wildcards, devices,
// and no trailing dot or space that Windows would strip into another name.
bool plain_name(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name)
        if (c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|') return false;
    if (name.back() == '.' || name.back() == ' ') return false;
    return !is_device_name(name);
}

std::vector<std::string> split(const std::string& s, size_t from) {
    std::vector<std::string> parts;
    std::string cur;
    for (size_t i = from; i < s.size(); ++i) {
        if (is_sep(s[i])) {
            if (!cur.empty()) parts.push_back(cur);
            cur.clear();
        } else {
            cur += s[i];
        }
    }
    if (!cur.empty()) parts.push_back(cur);
    return parts;
}

// An absolute path taken apart: its root ("c:", "\\server\share" or "" for a bare "/") and its
// names with "." and ".." worked out. False when it is not absolute or climbs above its root.
struct Absolute {
    std::string root;  // as written
    std::vector<std::string> names;
};

bool resolve(std::vector<std::string>& names, const std::vector<std::string>& parts, size_t floor) {
    for (const std::string& p : parts) {
        if (p == ".") continue;
        if (p == "..") {
            if (names.size() <= floor) return false;
            names.pop_back();
            continue;
        }
        names.push_back(p);
    }
    return true;
}

bool take_apart(const std::string& path, Absolute& out) {
    out = {};
    size_t from = 0;
    if (path.size() >= 2 && is_sep(path[0]) && is_sep(path[1])) {
        // \\server\share: both names belong to the root.
        std::vector<std::string> parts = split(path, 2);
        if (parts.size() < 2 || parts[0] == "." || parts[0] == "?") return false;
        out.root = "\\\\" + parts[0] + "\\" + parts[1];
        parts.erase(parts.begin(), parts.begin() + 2);
        return resolve(out.names, parts, 0);
    }
    if (path.size() >= 2 && is_alpha(path[0]) && path[1] == ':') {
        if (path.size() > 2 && !is_sep(path[2])) return false;  // "c:x" is relative to the drive's own folder
        out.root = path.substr(0, 2);
        from = 2;
    } else if (path.empty() || !is_sep(path[0])) {
        return false;
    }
    return resolve(out.names, split(path, from), 0);
}

bool same_name(const std::string& a, const std::string& b) { return lower(a) == lower(b); }

SandboxAnswer refuse(std::string why) {
    SandboxAnswer a;
    a.refusal = std::move(why);
    return a;
}

}  // namespace

SandboxAnswer check_open_url(const std::string& url, bool user_action) {
    const std::string u = trim(url);
    const std::string shown = "\"" + url + "\"";
    if (u.empty()) return refuse("getURL with no address was ignored.");
    if (has_control(u)) return refuse("getURL " + shown + " was refused: the address holds control characters.");
    const std::string scheme = scheme_of(u);
    bool web = false;
    if (scheme == "http" || scheme == "https") {
        const std::string rest = u.substr(scheme.size() + 1);
        web = rest.size() > 2 && rest[0] == '/' && rest[1] == '/' && !is_sep(rest[2]);
        if (!web) return refuse("getURL " + shown + " was refused: the web address names no server.");
    } else if (scheme != "mailto") {
        return refuse("getURL " + shown + " was refused: only web (http, https) and mail addresses may be opened.");
    }
    if (!user_action)
        return refuse("getURL " + shown + " was refused: addresses open only in answer to a click or key press.");
    SandboxAnswer a;
    a.allowed = true;
    a.value = u;
    return a;
}

SandboxAnswer check_load_path(const std::string& movie_dir, const std::string& request) {
    const std::string shown = "\"" + request + "\"";
    if (movie_dir.empty()) return refuse("Loading " + shown + " was refused: the movie was not opened from a folder.");
    Absolute base;
    if (!take_apart(movie_dir, base))
        return refuse("Loading " + shown + " was refused: the movie's folder is not an absolute path.");
    std::string r = trim(request);
    if (r.empty()) return refuse("Loading with no address was ignored.");
    if (has_control(r)) return refuse("Loading " + shown + " was refused: the address holds control characters.");

    bool url = false;
    const std::string scheme = scheme_of(r);
    if (!scheme.empty()) {
        if (scheme != "file")
            return refuse("Loading " + shown + " was refused: only files beside the movie are read, never the network.");
        url = true;
        r = r.substr(5);
        if (r.size() >= 2 && is_sep(r[0]) && is_sep(r[1])) {
            // file://host/path: only an empty host or localhost is this machine.
            size_t end = 2;
            while (end < r.size() && !is_sep(r[end])) ++end;
            const std::string host = lower(r.substr(2, end - 2));
            if (!host.empty() && host != "localhost")
                return refuse("Loading " + shown + " was refused: network shares are not read.");
            r = r.substr(end);
        }
        // "/c:/dir": the slash before a drive letter belongs to the address, not the path.
        if (r.size() >= 3 && is_sep(r[0]) && is_alpha(r[1]) && (r[2] == ':' || r[2] == '|'))
            r = std::string(1, r[1]) + ":" + r.substr(3);
    }
    // The query and fragment are not part of a file's name.
    r = r.substr(0, r.find_first_of(url ? "?#" : "?"));
    if (url) {
        std::string decoded;
        if (!percent_decode(r, decoded))
            return refuse("Loading " + shown + " was refused: the address has a broken %-escape.");
        r = decoded;
        if (r.empty() || has_control(r))
            return refuse("Loading " + shown + " was refused: the address holds control characters.");
    }
    if (r.empty()) return refuse("Loading " + shown + " was refused: it names no file.");

    Absolute target;
    const bool rooted = is_sep(r[0]) || (r.size() >= 2 && is_alpha(r[0]) && r[1] == ':');
    if (rooted) {
        if (r.size() >= 2 && is_sep(r[0]) && is_sep(r[1]))
            return refuse("Loading " + shown + " was refused: network shares and devices are not read.");
        if (r.size() >= 2 && r[1] == ':' && (r.size() == 2 || !is_sep(r[2])))
            return refuse("Loading " + shown + " was refused: the path is relative to a drive's current folder.");
        std::string full = r;
        if (is_sep(r[0])) full = base.root.size() == 2 ? base.root + r : r;  // "\x": the movie's own drive
        if (base.root.size() > 2 && is_sep(r[0]))
            return refuse("Loading " + shown + " was refused: it is outside the movie's folder.");
        if (!take_apart(full, target))
            return refuse("Loading " + shown + " was refused: it climbs out of the movie's folder.");
        bool inside = same_name(target.root, base.root) && target.names.size() >= base.names.size();
        for (size_t i = 0; inside && i < base.names.size(); ++i) inside = same_name(target.names[i], base.names[i]);
        if (!inside) return refuse("Loading " + shown + " was refused: it is outside the movie's folder.");
    } else {
        target = base;
        if (!resolve(target.names, split(r, 0), base.names.size()))
            return refuse("Loading " + shown + " was refused: it climbs out of the movie's folder.");
    }
    if (target.names.size() <= base.names.size())
        return refuse("Loading " + shown + " was refused: it names a folder, not a file.");
    for (size_t i = base.names.size(); i < target.names.size(); ++i)
        if (!plain_name(target.names[i]))
            return refuse("Loading " + shown + " was refused: \"" + target.names[i] + "\" is not a plain file name.");

    // Written with the separator the movie's folder uses.
    const char sep = movie_dir.find('\\') != std::string::npos ? '\\' : '/';
    std::string path = target.root;
    for (const std::string& n : target.names) path += sep + n;
    SandboxAnswer a;
    a.allowed = true;
    a.value = path;
    return a;
}

}  // namespace swf
