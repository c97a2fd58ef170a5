#include "history.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <zlib.h>

namespace fenn {
namespace {

// Words of the descriptions; the order sets their frequency (first is commonest).
const char* const kWords[] = {
    "a", "for", "and", "the", "to", "of", "with", "in", "library", "tool", "based", "simple", "fast", "written",
    "framework", "on", "that", "data", "command", "line", "web", "from", "your", "an", "lightweight", "small",
    "open", "source", "minimal", "modern", "easy", "use", "client", "server", "api", "support", "using", "files",
    "build", "static", "site", "generator", "plugin", "collection", "of", "resources", "manager", "terminal",
    "interface", "cross", "platform", "application", "browser", "extension", "editor", "text", "markdown",
    "parser", "json", "yaml", "database", "engine", "game", "graphics", "rendering", "images", "image", "video",
    "audio", "stream", "processing", "machine", "learning", "deep", "neural", "network", "networks", "model",
    "models", "python", "rust", "go", "javascript", "typescript", "java", "kotlin", "swift", "haskell", "scala",
    "elixir", "clojure", "ruby", "php", "c", "c++", "lua", "shell", "bash", "zsh", "vim", "emacs", "linux",
    "windows", "macos", "android", "ios", "mobile", "desktop", "cloud", "kubernetes", "docker", "container",
    "containers", "deployment", "monitoring", "logging", "metrics", "tracing", "testing", "test", "tests",
    "unit", "integration", "benchmark", "performance", "memory", "safe", "secure", "security", "encryption",
    "authentication", "password", "manager", "backup", "sync", "file", "system", "virtual", "machine",
    "emulator", "compiler", "interpreter", "language", "programming", "functional", "reactive", "async",
    "concurrent", "parallel", "distributed", "queue", "message", "broker", "cache", "key", "value", "store",
    "search", "index", "full", "query", "sql", "graph", "visualization", "charts", "dashboard", "ui",
    "components", "design", "css", "html", "templates", "theme", "icons", "fonts", "documentation", "docs",
    "guide", "tutorial", "book", "books", "course", "examples", "awesome", "curated", "list", "lists", "http",
    "rest", "graphql", "websocket", "proxy", "dns", "email", "chat", "bot", "notes", "note", "taking", "wiki",
    "personal", "knowledge", "base", "task", "tasks", "todo", "calendar", "time", "tracking", "finance",
    "accounting", "spreadsheet", "pdf", "document", "documents", "converter", "format", "formatter", "linter",
    "code", "review", "git", "version", "control", "diff", "merge", "continuous", "delivery", "pipeline",
    "automation", "scripts", "configuration", "dotfiles", "package", "packages", "dependency", "self", "hosted",
    "alternative", "free", "privacy", "focused", "minimalist", "beautiful", "powerful", "flexible", "extensible",
    "customizable", "highly", "fully", "featured", "feature", "rich", "real", "time", "zero", "no", "dependencies",
    "single", "binary", "header", "only", "tiny", "blazing", "efficient", "scalable", "reliable", "robust",
    "portable", "embeddable", "embedded", "microcontroller", "hardware", "iot", "home", "smart", "devices",
    "wrapper", "bindings", "sdk", "toolkit", "utilities", "utility", "helpers", "snippets", "cheat", "sheet",
    "sheets", "interactive", "visual", "studio", "ide", "debugger", "profiler", "inspector", "viewer", "reader",
    "rss", "feed", "podcast", "music", "player", "streaming", "download", "downloader", "torrent", "client",
    "maps", "geospatial", "weather", "scientific", "computing", "math", "statistics", "analysis", "analytics",
};
const size_t kWordCount = sizeof kWords / sizeof kWords[0];

const char* const kSyllables[] = {"ka", "lo", "mi", "ne", "ra", "to", "vi", "zu", "be", "da", "fo", "gu",
                                   "hy", "ji", "ko", "lu", "ma", "no", "pi", "qu", "re", "si", "ta", "ux",
                                   "ve", "wo", "xa", "yo", "ze", "ar", "en", "io", "on", "ly", "py", "js"};

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The name an entry sorts by: the text between "[" and "]".
std::string sortKey(const std::string& entry) {
    size_t a = entry.find('['), b = entry.find(']');
    return a == std::string::npos || b == std::string::npos ? lower(entry) : lower(entry.substr(a + 1, b - a - 1));
}

void put16(HistoryBytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(HistoryBytes& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

}  // namespace

const std::string& History::word() {
    static std::vector<std::string> words(kWords, kWords + kWordCount);
    // Zipf-like: the cube of a uniform value favours the front of the list.
    double u = double(rng_()) / 4294967296.0;
    size_t k = size_t(double(kWordCount) * u * u * u);
    return words[std::min(k, kWordCount - 1)];
}

std::string History::sentence(int minWords, int maxWords) {
    int n = minWords + int(below(uint32_t(maxWords - minWords + 1)));
    std::string s;
    for (int i = 0; i < n; ++i) {
        if (i) s += ' ';
        s += word();
    }
    if (!s.empty()) s[0] = char(std::toupper(static_cast<unsigned char>(s[0])));
    return s + ".";
}

std::string History::name() {
    std::string s;
    int n = 2 + int(below(3));
    for (int i = 0; i < n; ++i) s += kSyllables[below(sizeof kSyllables / sizeof kSyllables[0])];
    if (below(4) == 0) s += below(2) ? ".js" : "-" + word();
    s[0] = char(std::toupper(static_cast<unsigned char>(s[0])));
    return s;
}

// ---- Markdown list ----

MarkdownListHistory::MarkdownListHistory(uint32_t seed, size_t size) : History(seed) {
    for (int i = 0; i < 300; ++i) owners_.push_back(lower(name()));
    intro_ = "# Awesome " + name() + "\n\n> " + sentence(10, 20) + "\n\n" + sentence(15, 30) + " " +
             sentence(10, 25) + "\n\n## Contents\n\n";
    size_t total = intro_.size();
    while (total < size) {
        Section s;
        s.title = sentence(1, 3);
        s.title.pop_back();
        int n = 5 + int(below(40));
        for (int i = 0; i < n && total < size; ++i) {
            std::string e = entry();
            total += e.size();
            insertSorted(s, e);
        }
        total += s.title.size() + 8;
        sections_.push_back(s);
    }
}

std::string MarkdownListHistory::entry() {
    std::string n = name();
    std::string e = "- [" + n + "](https://github.com/" + owners_[below(uint32_t(owners_.size()))] + "/" +
                    lower(n) + ") - " + sentence(4, 16);
    if (below(8) == 0) e += " ![stars](https://img.shields.io/github/stars/" + lower(n) + ")";
    return e;
}

void MarkdownListHistory::insertSorted(Section& s, const std::string& e) {
    std::string key = sortKey(e);
    auto at = std::lower_bound(s.entries.begin(), s.entries.end(), key,
                               [](const std::string& a, const std::string& k) { return sortKey(a) < k; });
    s.entries.insert(at, e);
}

void MarkdownListHistory::edit() {
    Section& s = sections_[below(uint32_t(sections_.size()))];
    uint32_t kind = below(100);
    if (kind < 45 || s.entries.size() < 4) {  // one new entry, in sorted place
        insertSorted(s, entry());
    } else if (kind < 55) {  // a few new entries at once
        for (int i = 1 + int(below(4)); i > 0; --i) insertSorted(sections_[below(uint32_t(sections_.size()))], entry());
    } else if (kind < 70) {  // an entry removed (dead project)
        s.entries.erase(s.entries.begin() + below(uint32_t(s.entries.size())));
    } else if (kind < 88) {  // a description reworded: a word or two changed
        std::string& e = s.entries[below(uint32_t(s.entries.size()))];
        size_t dash = e.find(") - ");
        if (dash == std::string::npos) return;
        for (int i = 1 + int(below(2)); i > 0; --i) {
            size_t at = dash + 4 + below(uint32_t(e.size() - dash - 4));
            size_t end = e.find(' ', at);
            size_t start = e.rfind(' ', at);
            if (start == std::string::npos || start < dash + 3) start = dash + 3;
            if (end == std::string::npos) end = e.size() - 1;
            e.replace(start + 1, end > start + 1 ? end - start - 1 : 0, word());
        }
    } else if (kind < 94) {  // a block of entries moved to another section
        size_t n = std::min<size_t>(2 + below(6), s.entries.size() - 1);
        size_t at = below(uint32_t(s.entries.size() - n + 1));
        std::vector<std::string> block(s.entries.begin() + long(at), s.entries.begin() + long(at + n));
        s.entries.erase(s.entries.begin() + long(at), s.entries.begin() + long(at + n));
        Section& to = sections_[below(uint32_t(sections_.size()))];
        for (const std::string& e : block) insertSorted(to, e);
    } else if (kind < 97) {  // a new section at the end
        Section n;
        n.title = sentence(1, 3);
        n.title.pop_back();
        for (int i = 3 + int(below(8)); i > 0; --i) insertSorted(n, entry());
        sections_.push_back(n);
    } else {  // the introduction touched up
        size_t at = intro_.find("\n\n", intro_.find("> ") + 2);
        if (at != std::string::npos) intro_.insert(at, " " + sentence(3, 8));
    }
}

HistoryBytes MarkdownListHistory::render() const {
    std::string out = intro_;
    for (const Section& s : sections_) {
        std::string anchor = lower(s.title);
        std::replace(anchor.begin(), anchor.end(), ' ', '-');
        out += "- [" + s.title + "](#" + anchor + ")\n";
    }
    for (const Section& s : sections_) {
        out += "\n## " + s.title + "\n\n";
        for (const std::string& e : s.entries) out += e + "\n";
    }
    out += "\n## License\n\nTo the extent possible under law, the authors have waived all rights to this work.\n";
    return HistoryBytes(out.begin(), out.end());
}

HistoryBytes MarkdownListHistory::next() {
    if (!first_) {
        // Most commits make one change; some make a few.
        int n = below(5) == 0 ? 2 + int(below(3)) : 1;
        for (int i = 0; i < n; ++i) edit();
    }
    first_ = false;
    return render();
}

// ---- Log ----

LogHistory::LogHistory(uint32_t seed, size_t size, int linesPerVersion)
    : History(seed), linesPerVersion_(linesPerVersion) {
    while (text_.size() < size) {
        std::string l = line();
        text_.insert(text_.end(), l.begin(), l.end());
    }
}

std::string LogHistory::line() {
    static const char* const kLevels[] = {"INFO", "INFO", "INFO", "DEBUG", "DEBUG", "WARN", "ERROR"};
    static const char* const kPaths[] = {"/api/items", "/api/users", "/login", "/static/app.js", "/api/search",
                                         "/health", "/api/orders", "/upload"};
    clock_ += 1 + below(900);
    uint64_t s = clock_ / 1000;
    char buf[256];
    std::snprintf(buf, sizeof buf, "2026-12-%02u %02u:%02u:%02u.%03u %-5s [worker-%u] ", unsigned(5 + s / 86400 % 20),
                  unsigned(s / 3600 % 24), unsigned(s / 60 % 60), unsigned(s % 60), unsigned(clock_ % 1000),
                  kLevels[below(7)], below(8));
    std::string l = buf;
    if (below(3)) {
        std::snprintf(buf, sizeof buf, "GET %s id=%u status=%u took %u ms", kPaths[below(8)], unsigned(rng_() % 1000000),
                      below(10) ? 200u : 404u, below(400));
        l += buf;
    } else {
        l += sentence(4, 12);
    }
    return l + "\n";
}

HistoryBytes LogHistory::next() {
    if (!first_) {
        for (int i = 0; i < linesPerVersion_; ++i) {
            std::string l = line();
            text_.insert(text_.end(), l.begin(), l.end());
        }
    }
    first_ = false;
    return text_;
}

// ---- ZIP document ----

ZipDocumentHistory::ZipDocumentHistory(uint32_t seed, int paragraphs) : History(seed) {
    for (int i = 0; i < paragraphs; ++i) paragraphs_.push_back(sentence(8, 20) + " " + sentence(6, 18));
    styles_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-styles>\n";
    for (int i = 0; i < 120; ++i) {
        char buf[200];
        std::snprintf(buf, sizeof buf,
                      " <style:style style:name=\"P%d\" style:family=\"paragraph\"><style:text-properties "
                      "fo:font-size=\"%dpt\" fo:margin-top=\"%dmm\"/></style:style>\n",
                      i, 9 + i % 8, i % 5);
        styles_ += buf;
    }
    styles_ += "</office:document-styles>\n";
}

HistoryBytes ZipDocumentHistory::next() {
    if (saves_ > 0) {
        // One small edit: a word changed, a sentence added, or a paragraph inserted.
        size_t p = below(uint32_t(paragraphs_.size()));
        uint32_t kind = below(3);
        if (kind == 0) {
            std::string& t = paragraphs_[p];
            size_t at = t.find(' ', below(uint32_t(t.size())));
            if (at != std::string::npos) t.insert(at + 1, word() + " ");
        } else if (kind == 1) {
            paragraphs_[p] += " " + sentence(5, 12);
        } else {
            paragraphs_.insert(paragraphs_.begin() + long(p), sentence(8, 20));
        }
    }
    ++saves_;
    return zip();
}

HistoryBytes ZipDocumentHistory::zip() const {
    std::string content = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content><office:body>"
                          "<office:text>\n";
    for (size_t i = 0; i < paragraphs_.size(); ++i)
        content += "<text:p text:style-name=\"P" + std::to_string(i % 120) + "\">" + paragraphs_[i] + "</text:p>\n";
    content += "</office:text></office:body></office:document-content>\n";
    char meta[300];
    std::snprintf(meta, sizeof meta,
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-meta><meta:editing-cycles>%d"
                  "</meta:editing-cycles><meta:word-count>%zu</meta:word-count></office:document-meta>\n",
                  saves_, content.size() / 6);
    struct Part {
        const char* name;
        std::string data;
        bool deflate;
    } parts[] = {{"mimetype", "application/vnd.fennory.text", false},
                 {"content.xml", content, true},
                 {"styles.xml", styles_, true},
                 {"meta.xml", meta, true}};
    HistoryBytes out, central;
    int count = 0;
    for (const Part& part : parts) {
        const uint8_t* raw = reinterpret_cast<const uint8_t*>(part.data.data());
        uint32_t crc = uint32_t(crc32(0, raw, uInt(part.data.size())));
        HistoryBytes body;
        if (part.deflate) {
            z_stream z = {};
            deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
            body.resize(deflateBound(&z, uLong(part.data.size())));
            z.next_in = const_cast<Bytef*>(raw);
            z.avail_in = uInt(part.data.size());
            z.next_out = body.data();
            z.avail_out = uInt(body.size());
            deflate(&z, Z_FINISH);
            body.resize(z.total_out);
            deflateEnd(&z);
        } else {
            body.assign(raw, raw + part.data.size());
        }
        uint32_t offset = uint32_t(out.size());
        uint16_t method = part.deflate ? 8 : 0;
        size_t nameLength = std::strlen(part.name);
        // Local header, fixed date 2026-12-05 12:00.
        put32(out, 0x04034b50);
        put16(out, 20), put16(out, 0), put16(out, method), put16(out, 0x6000), put16(out, 0x5D85);
        put32(out, crc), put32(out, uint32_t(body.size())), put32(out, uint32_t(part.data.size()));
        put16(out, uint32_t(nameLength)), put16(out, 0);
        out.insert(out.end(), part.name, part.name + nameLength);
        out.insert(out.end(), body.begin(), body.end());
        put32(central, 0x02014b50);
        put16(central, 20), put16(central, 20), put16(central, 0), put16(central, method);
        put16(central, 0x6000), put16(central, 0x5D85);
        put32(central, crc), put32(central, uint32_t(body.size())), put32(central, uint32_t(part.data.size()));
        put16(central, uint32_t(nameLength)), put16(central, 0), put16(central, 0), put16(central, 0),
            put16(central, 0);
        put32(central, 0), put32(central, offset);
        central.insert(central.end(), part.name, part.name + nameLength);
        ++count;
    }
    uint32_t centralAt = uint32_t(out.size());
    out.insert(out.end(), central.begin(), central.end());
    put32(out, 0x06054b50);
    put16(out, 0), put16(out, 0), put16(out, uint32_t(count)), put16(out, uint32_t(count));
    put32(out, uint32_t(central.size())), put32(out, centralAt), put16(out, 0);
    return out;
}

}  // namespace fenn
