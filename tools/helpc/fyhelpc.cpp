// fyhelpc: builds the product's WinHelp file from its source text and checks
// that every context number the module can ask for is mapped in it.
//
//   fyhelpc build SOURCE OUTPUT RESOURCE_RC RESOURCE_H
//       writes OUTPUT from SOURCE, reads it back and checks its context map
//       against the numbers the module uses; OUTPUT appears only when the
//       check passes (a missing number would silently close the viewer).
//   fyhelpc check HELPFILE RESOURCE_RC RESOURCE_H
//       checks an existing file.
//   fyhelpc list HELPFILE
//       prints the file's context map: number, topic offset, topic title.
//
// The numbers the module asks for: every Help button (0x20000 plus a dialog
// template id, 131174 to 131202), the viewer window (172072), the viewer's
// menu items (command id plus 0x10000) and every help id of the help-id
// tables in the resource script (RT_HELPIDS).
//
// Source text: lines starting with '#' are comments.
//   .file TITLE             the help file's title (window caption)
//   .topic NAME N1 N2 ...   starts a topic: its context name and the numbers
//                           that map to it (none for a topic reached by
//                           name only); the first topic is the contents
//   .title TEXT             the topic's title, shown as its heading
//   other lines             body text; a blank line ends a paragraph
//
// File layout written (WinHelp 3.1, uncompressed, 4 KB topic blocks):
//   header (magic, directory offset, free list -1, total size)
//   internal files, each with a 9-byte header (reserved, used, flags):
//     |SYSTEM   version 1.21, flags 0; title, contents and main-window records
//     |TOPIC    4096-byte blocks: a 12-byte block header and topic links;
//               each topic is a header link (title) and one text link per
//               paragraph; links never straddle a block
//     |FONT     one face, two descriptors (body, heading)
//     |CONTEXT  B+ tree of (signed hash of the context name, topic offset)
//     |CTXOMAP  (number, topic offset) pairs
//   the directory, a one-page B+ tree of (internal file name, offset)
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const uint32_t kNone = 0xFFFFFFFFu;
const size_t kBlockSize = 0x1000;
const size_t kBlockHeader = 12;
const size_t kBlockData = kBlockSize - kBlockHeader;
const size_t kLinkHeader = 0x15;
const size_t kMaxParagraph = 2000;

void Put8(Bytes& b, unsigned v) { b.push_back(static_cast<uint8_t>(v)); }
void Put16(Bytes& b, unsigned v) { Put8(b, v & 0xFF); Put8(b, (v >> 8) & 0xFF); }
void Put32(Bytes& b, uint32_t v) { Put16(b, v & 0xFFFF); Put16(b, v >> 16); }
void PutText(Bytes& b, const std::string& s, bool terminate)
{
    b.insert(b.end(), s.begin(), s.end());
    if (terminate)
        Put8(b, 0);
}
void Set32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t Get16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint32_t Get32(const Bytes& b, size_t at) { return Get16(b, at) | (static_cast<uint32_t>(Get16(b, at + 2)) << 16); }

// Variable-length numbers of the paragraph records: two bytes (low bit 0) or
// four (low bit 1) for a long, biased by half the range.
void PutCompressedLong(Bytes& b, long v)
{
    if (v >= -16384 && v < 16384)
        Put16(b, static_cast<unsigned>(v * 2 + 0x8000));
    else
        Put32(b, static_cast<uint32_t>(v * 2 + 0x80000001L));
}
void PutCompressedUshort(Bytes& b, unsigned v)
{
    if (v < 128)
        Put8(b, v * 2);
    else
        Put16(b, v * 2 + 1);
}

// The help engine's hash of a context name; the |CONTEXT tree is sorted by
// its signed value.
int32_t ContextHash(const std::string& name)
{
    uint32_t hash = 0;
    for (char c : name) {
        unsigned x = 0;
        if (c >= 'A' && c <= 'Z') x = c - 'A' + 17;
        else if (c >= 'a' && c <= 'z') x = c - 'a' + 17;
        else if (c >= '1' && c <= '9') x = c - '0';
        else if (c == '0') x = 10;
        else if (c == '.') x = 12;
        else if (c == '_') x = 13;
        if (x)
            hash = hash * 43 + x;
    }
    return static_cast<int32_t>(hash);
}

struct Topic {
    std::string name;
    std::string title;
    std::vector<uint32_t> numbers;
    std::vector<std::string> paragraphs;
    int line = 0;
    uint32_t offset = 0;     // TOPICOFFSET: block * 0x8000 + characters before it in its block
    uint32_t position = 0;   // TOPICPOS of its header link
};

struct Source {
    std::string title;
    std::vector<Topic> topics;
};

bool Fail(const std::string& message)
{
    fprintf(stderr, "fyhelpc: %s\n", message.c_str());
    return false;
}

std::string Trim(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(a, e - a + 1);
}

bool ParseNumber(const std::string& text, uint32_t* value)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = strtoull(text.c_str(), &end, 0);
    if (errno || *end || v > 0xFFFFFFFFull)
        return false;
    *value = static_cast<uint32_t>(v);
    return true;
}

bool ReadSource(const char* path, Source* out)
{
    std::ifstream in(path);
    if (!in)
        return Fail(std::string("cannot read ") + path);
    std::string line, paragraph;
    int number = 0;
    auto where = [&]() { return std::string(path) + ":" + std::to_string(number) + ": "; };
    auto endParagraph = [&]() {
        if (!paragraph.empty() && !out->topics.empty())
            out->topics.back().paragraphs.push_back(paragraph);
        paragraph.clear();
    };
    while (std::getline(in, line)) {
        ++number;
        std::string text = Trim(line);
        if (!text.empty() && text[0] == '#')
            continue;
        if (text.empty()) {
            endParagraph();
            continue;
        }
        if (text.compare(0, 6, ".file ") == 0) {
            out->title = Trim(text.substr(6));
        } else if (text.compare(0, 7, ".topic ") == 0) {
            endParagraph();
            std::istringstream words(text.substr(7));
            Topic topic;
            topic.line = number;
            words >> topic.name;
            std::string word;
            while (words >> word) {
                uint32_t value;
                if (!ParseNumber(word, &value))
                    return Fail(where() + "not a context number: " + word);
                topic.numbers.push_back(value);
            }
            out->topics.push_back(topic);
        } else if (text.compare(0, 7, ".title ") == 0) {
            if (out->topics.empty())
                return Fail(where() + ".title outside a topic");
            out->topics.back().title = Trim(text.substr(7));
        } else if (text[0] == '.') {
            return Fail(where() + "unknown directive: " + text);
        } else {
            if (out->topics.empty())
                return Fail(where() + "text before the first topic");
            if (!paragraph.empty())
                paragraph += ' ';
            paragraph += text;
            if (paragraph.size() > kMaxParagraph)
                return Fail(where() + "paragraph longer than " + std::to_string(kMaxParagraph) + " characters");
        }
    }
    endParagraph();
    if (out->title.empty() || out->title.size() > 50)
        return Fail(std::string(path) + ": the .file title must have 1 to 50 characters");
    if (out->topics.empty())
        return Fail(std::string(path) + ": no topics");
    std::set<int32_t> hashes;
    std::set<uint32_t> numbers;
    for (const Topic& t : out->topics) {
        std::string at = std::string(path) + ":" + std::to_string(t.line) + ": ";
        if (t.name.empty() || t.title.empty() || t.paragraphs.empty())
            return Fail(at + "a topic needs a name, a .title and some text");
        if (t.title.size() > 200)
            return Fail(at + "title too long");
        if (!hashes.insert(ContextHash(t.name)).second)
            return Fail(at + "context name " + t.name + " hashes like an earlier one");
        for (uint32_t n : t.numbers) {
            if (!numbers.insert(n).second)
                return Fail(at + "context number " + std::to_string(n) + " mapped twice");
        }
    }
    return true;
}

// ---- |TOPIC ------------------------------------------------------------

struct TopicWriter {
    Bytes data;            // whole blocks, headers included
    size_t block = 0;      // current block
    size_t used = 0;       // bytes of data used in the current block
    uint32_t chars = 0;    // characters of text in the current block so far
    uint32_t lastLink = kNone;
    uint32_t lastHeader = kNone;
    size_t lastLinkAt = 0; // byte offset in data of the last link, to chain it
    bool any = false;

    TopicWriter() { StartBlock(); }

    void StartBlock()
    {
        block = data.size() / kBlockSize;
        data.resize(data.size() + kBlockSize, 0);
        size_t at = block * kBlockSize;
        Set32(data, at, lastLink);       // last link of the previous block
        Set32(data, at + 4, kNone);      // first link of this block, set below
        Set32(data, at + 8, lastHeader); // last topic header so far
        used = 0;
        chars = 0;
    }

    uint32_t Position() const { return static_cast<uint32_t>(block * 0x4000 + kBlockHeader + used); }

    // Appends one link (header + LinkData1 + LinkData2); returns its TOPICPOS.
    uint32_t Add(uint8_t type, const Bytes& data1, const Bytes& data2, size_t* at)
    {
        size_t size = kLinkHeader + data1.size() + data2.size();
        if (used + size > kBlockData)
            StartBlock();
        uint32_t position = Position();
        size_t start = block * kBlockSize + kBlockHeader + used;
        if (Get32(data, block * kBlockSize + 4) == kNone)
            Set32(data, block * kBlockSize + 4, position);
        Bytes link;
        Put32(link, static_cast<uint32_t>(size));                      // block size
        Put32(link, static_cast<uint32_t>(data2.size()));              // LinkData2 size
        Put32(link, lastLink);                                          // previous link
        Put32(link, kNone);                                             // next link, chained later
        Put32(link, static_cast<uint32_t>(kLinkHeader + data1.size())); // header + LinkData1
        Put8(link, type);
        link.insert(link.end(), data1.begin(), data1.end());
        link.insert(link.end(), data2.begin(), data2.end());
        std::copy(link.begin(), link.end(), data.begin() + start);
        if (any)
            Set32(data, lastLinkAt + 0x0C, position);
        any = true;
        lastLink = position;
        lastLinkAt = start;
        used += size;
        *at = start;
        return position;
    }
};

// One paragraph in one font: LinkData1 holds the sizes, the paragraph format
// and the commands that come between the strings of LinkData2 ("", text, "").
void Paragraph(const std::string& text, unsigned font, Bytes* data1Out, Bytes* data2Out, uint32_t* length)
{
    Bytes data2;
    PutText(data2, "", true);
    PutText(data2, text, true);
    PutText(data2, "", true);
    *length = static_cast<uint32_t>(text.size() + 1);   // the text and its paragraph end
    Bytes data1;
    PutCompressedLong(data1, static_cast<long>(data2.size()));
    PutCompressedUshort(data1, *length);
    Put8(data1, 0x00);     // unknown
    Put8(data1, 0x80);     // unknown, biased zero
    Put16(data1, 0);       // paragraph id
    Put16(data1, 0);       // format bits: no spacing, indents, borders or tabs; left aligned
    Put8(data1, 0x80);     // font change
    Put16(data1, font);
    Put8(data1, 0x82);     // end of paragraph
    Put8(data1, 0xFF);     // end of formatting
    *data1Out = data1;
    *data2Out = data2;
}

Bytes BuildTopic(Source& source)
{
    TopicWriter w;
    std::vector<size_t> headerAt(source.topics.size());
    for (size_t i = 0; i < source.topics.size(); ++i) {
        Topic& t = source.topics[i];
        Bytes data1(28, 0);    // filled once the whole topic is placed
        Bytes data2;
        PutText(data2, t.title, false);
        size_t at;
        // A header link must share its block with its heading paragraph, so
        // that the topic's offset counts from where its text starts.
        size_t need = kLinkHeader + data1.size() + data2.size() + 3 * kLinkHeader + t.title.size() + 32;
        if (w.used + need > kBlockData)
            w.StartBlock();
        t.position = w.Add(0x02, data1, data2, &at);
        t.offset = static_cast<uint32_t>(w.block * 0x8000 + w.chars);
        headerAt[i] = at;
        w.lastHeader = t.position;
        std::vector<std::pair<std::string, unsigned>> paragraphs;
        paragraphs.emplace_back(t.title, 1);
        for (const std::string& p : t.paragraphs)
            paragraphs.emplace_back(p, 0);
        for (const auto& p : paragraphs) {
            uint32_t length;
            Bytes d1, d2;
            Paragraph(p.first, p.second, &d1, &d2, &length);
            size_t size = kLinkHeader + d1.size() + d2.size();
            if (w.used + size > kBlockData)
                w.StartBlock();
            w.Add(0x20, d1, d2, &at);
            w.chars += length;
        }
    }
    // Topic headers: size, browse sequence, number, regions, next topic.
    for (size_t i = 0; i < source.topics.size(); ++i) {
        const Topic& t = source.topics[i];
        uint32_t end = i + 1 < source.topics.size() ? source.topics[i + 1].position : w.lastLink;
        size_t at = headerAt[i] + kLinkHeader;
        Set32(w.data, at, end > t.position ? end - t.position : 0);
        Set32(w.data, at + 4, i > 0 ? source.topics[i - 1].offset : kNone);
        Set32(w.data, at + 8, i + 1 < source.topics.size() ? source.topics[i + 1].offset : kNone);
        Set32(w.data, at + 12, static_cast<uint32_t>(i));
        Set32(w.data, at + 16, kNone);                 // no non-scrolling region
        Set32(w.data, at + 20, t.position + static_cast<uint32_t>(kLinkHeader + 28 + t.title.size()));
        Set32(w.data, at + 24, i + 1 < source.topics.size() ? source.topics[i + 1].position : kNone);
    }
    return w.data;
}

// ---- B+ trees ------------------------------------------------------------

// A one-level tree (the root is the only, leaf, page).
Bytes BuildTree(const char* structure, unsigned flags, unsigned pageSize, const std::vector<Bytes>& entries,
                bool* fits)
{
    Bytes tree;
    Put16(tree, 0x293B);
    Put16(tree, flags);
    Put16(tree, pageSize);
    char shape[16] = {};
    strncpy(shape, structure, sizeof(shape) - 1);
    tree.insert(tree.end(), shape, shape + 16);
    Put16(tree, 0);        // must be zero
    Put16(tree, 0);        // page splits
    Put16(tree, 0);        // root page
    Put16(tree, 0xFFFF);   // must be -1
    Put16(tree, 1);        // total pages
    Put16(tree, 1);        // levels
    Put32(tree, static_cast<uint32_t>(entries.size()));
    Bytes page;
    size_t size = 8;
    for (const Bytes& e : entries)
        size += e.size();
    *fits = size <= pageSize;
    Put16(page, static_cast<unsigned>(*fits ? pageSize - size : 0));   // free bytes
    Put16(page, static_cast<unsigned>(entries.size()));
    Put16(page, 0xFFFF);   // previous page
    Put16(page, 0xFFFF);   // next page
    for (const Bytes& e : entries)
        page.insert(page.end(), e.begin(), e.end());
    page.resize(pageSize, 0);
    tree.insert(tree.end(), page.begin(), page.end());
    return tree;
}

Bytes InternalFile(const Bytes& content)
{
    Bytes file;
    Put32(file, static_cast<uint32_t>(content.size() + 9));   // reserved space, header included
    Put32(file, static_cast<uint32_t>(content.size()));       // used space
    Put8(file, 4);                                             // flags: a normal file
    file.insert(file.end(), content.begin(), content.end());
    return file;
}

bool BuildHelpFile(Source& source, Bytes* out)
{
    Bytes topic = BuildTopic(source);

    Bytes system;
    Put16(system, 0x036C);   // magic
    Put16(system, 21);       // minor version: 3.1
    Put16(system, 1);        // major version
    Put32(system, 0);        // generation date: none, so builds are reproducible
    Put16(system, 0);        // flags: uncompressed, 4 KB topic blocks
    Put16(system, 1);        // title
    Put16(system, static_cast<unsigned>(source.title.size() + 1));
    PutText(system, source.title, true);
    Put16(system, 3);        // contents topic
    Put16(system, 4);
    Put32(system, source.topics[0].offset);
    // The main window's definition, so that the viewer's caption is the file's
    // title: flags (name and caption given), type, name, caption, then
    // position, size, state and colours left to the viewer.
    Put16(system, 6);
    Put16(system, 90);
    Bytes window(90, 0);
    window[0] = 0x06;        // 0x0002 name, 0x0004 caption
    memcpy(&window[12], "main", 4);
    memcpy(&window[21], source.title.c_str(), std::min<size_t>(source.title.size(), 50));
    system.insert(system.end(), window.begin(), window.end());

    Bytes font;
    const char face[] = "Arial";
    Put16(font, 1);          // face names
    Put16(font, 2);          // descriptors
    Put16(font, 8);          // face names start
    Put16(font, 8 + 20);     // descriptors start
    size_t faceAt = font.size();
    font.resize(faceAt + 20, 0);
    memcpy(&font[faceAt], face, sizeof(face));
    const uint8_t descriptors[2][3] = {{0x00, 20, 0x03}, {0x01, 28, 0x03}};   // body 10 pt, heading 14 pt bold
    for (const auto& d : descriptors) {
        Put8(font, d[0]);    // attributes
        Put8(font, d[1]);    // half points
        Put8(font, d[2]);    // family: swiss
        Put16(font, 0);      // face name index
        Put8(font, 0); Put8(font, 0); Put8(font, 0);          // foreground
        Put8(font, 255); Put8(font, 255); Put8(font, 255);    // background
    }

    std::vector<std::pair<int32_t, uint32_t>> hashed;
    std::vector<std::pair<uint32_t, uint32_t>> mapped;
    for (const Topic& t : source.topics) {
        hashed.emplace_back(ContextHash(t.name), t.offset);
        for (uint32_t n : t.numbers)
            mapped.emplace_back(n, t.offset);
    }
    std::sort(hashed.begin(), hashed.end());
    std::sort(mapped.begin(), mapped.end());
    std::vector<Bytes> contextEntries;
    for (const auto& h : hashed) {
        Bytes e;
        Put32(e, static_cast<uint32_t>(h.first));
        Put32(e, h.second);
        contextEntries.push_back(e);
    }
    bool fits = false;
    Bytes context = BuildTree("L4", 0x0002, 0x0800, contextEntries, &fits);
    if (!fits)
        return Fail("too many topics for a one-page context tree");

    Bytes map;
    if (mapped.size() > 0xFFFF)
        return Fail("too many context numbers");
    Put16(map, static_cast<unsigned>(mapped.size()));
    for (const auto& m : mapped) {
        Put32(map, m.first);
        Put32(map, m.second);
    }

    // Internal files in directory order (names sorted as the reader compares them).
    std::vector<std::pair<std::string, Bytes>> files = {
        {"|CONTEXT", InternalFile(context)}, {"|CTXOMAP", InternalFile(map)}, {"|FONT", InternalFile(font)},
        {"|SYSTEM", InternalFile(system)}, {"|TOPIC", InternalFile(topic)}};
    Bytes body;
    std::vector<Bytes> directoryEntries;
    size_t offset = 16;
    for (const auto& f : files) {
        Bytes e;
        PutText(e, f.first, true);
        Put32(e, static_cast<uint32_t>(offset));
        directoryEntries.push_back(e);
        body.insert(body.end(), f.second.begin(), f.second.end());
        offset += f.second.size();
    }
    Bytes directory = InternalFile(BuildTree("z4", 0x0402, 0x0400, directoryEntries, &fits));
    if (!fits)
        return Fail("directory page overflow");

    out->clear();
    Put32(*out, 0x00035F3F);
    Put32(*out, static_cast<uint32_t>(offset));   // directory start
    Put32(*out, kNone);                           // no free blocks
    Put32(*out, static_cast<uint32_t>(offset + directory.size()));
    out->insert(out->end(), body.begin(), body.end());
    out->insert(out->end(), directory.begin(), directory.end());
    return true;
}

// ---- Reading back --------------------------------------------------------

struct MapEntry {
    uint32_t number;
    uint32_t offset;
};

// Finds an internal file through the directory; returns the offset of its
// content (past the 9-byte header) and its used size.
bool FindInternal(const Bytes& file, const std::string& name, size_t* start, size_t* size)
{
    if (file.size() < 16 || Get32(file, 0) != 0x00035F3F || Get32(file, 12) != file.size())
        return Fail("not a help file (bad header or size)");
    size_t dir = Get32(file, 4);
    if (dir + 9 + 38 > file.size() || Get16(file, dir + 9) != 0x293B)
        return Fail("bad directory");
    size_t pageSize = Get16(file, dir + 9 + 4);
    size_t levels = Get16(file, dir + 9 + 32);
    size_t pages = dir + 9 + 38;
    size_t page = Get16(file, dir + 9 + 26);
    for (; levels > 1; --levels)
        page = Get16(file, pages + page * pageSize + 4);   // leftmost child
    while (page != 0xFFFF) {
        size_t at = pages + page * pageSize;
        if (at + pageSize > file.size())
            return Fail("bad directory page");
        int count = static_cast<int16_t>(Get16(file, at + 2));
        size_t p = at + 8;
        for (int i = 0; i < count; ++i) {
            std::string entry(reinterpret_cast<const char*>(&file[p]));
            size_t target = Get32(file, p + entry.size() + 1);
            p += entry.size() + 5;
            if (entry == name) {
                if (target + 9 > file.size() || target + Get32(file, target) > file.size())
                    return Fail(name + " does not fit in the file");
                *start = target + 9;
                *size = Get32(file, target + 4);
                return true;
            }
        }
        page = Get16(file, at + 6);
    }
    return Fail("no " + name + " in the file");
}

bool ReadMap(const Bytes& file, std::vector<MapEntry>* entries)
{
    size_t start, size;
    if (!FindInternal(file, "|CTXOMAP", &start, &size))
        return false;
    unsigned count = Get16(file, start);
    if (2 + count * 8u > size)
        return Fail("|CTXOMAP shorter than its count");
    for (unsigned i = 0; i < count; ++i)
        entries->push_back({Get32(file, start + 2 + i * 8), Get32(file, start + 2 + i * 8 + 4)});
    return true;
}

// The topic titles by topic offset, walking the links the way the viewer does.
bool ReadTitles(const Bytes& file, std::map<uint32_t, std::string>* titles)
{
    size_t start, size;
    if (!FindInternal(file, "|TOPIC", &start, &size))
        return false;
    size_t blocks = (size + kBlockSize - 1) / kBlockSize;
    uint32_t ref = 0x0C;
    size_t oldIndex = SIZE_MAX;
    uint32_t chars = 0;
    for (size_t guard = 0; ref != kNone && guard < 1000000; ++guard) {
        size_t index = (ref - 0x0C) >> 14, offset = (ref - 0x0C) & 0x3FFF;
        if (index >= blocks || offset + kLinkHeader > kBlockData)
            return Fail("topic link out of range");
        size_t at = start + index * kBlockSize + kBlockHeader + offset;
        if (at + Get32(file, at) > start + size)
            return Fail("topic link past the end");
        if (index != oldIndex) {
            chars = 0;
            oldIndex = index;
        }
        uint8_t type = file[at + 0x14];
        uint32_t data1 = Get32(file, at + 0x10), data2 = Get32(file, at + 4);
        if (type == 0x02) {
            (*titles)[static_cast<uint32_t>(index * 0x8000 + chars)] =
                std::string(reinterpret_cast<const char*>(&file[at + data1]), data2);
        } else if (type == 0x20) {
            const uint8_t* p = &file[at + kLinkHeader];
            p += (*p & 1) ? 4 : 2;                              // text size
            chars += (*p & 1) ? (p[0] | (p[1] << 8)) / 2 : *p / 2;   // characters
        }
        ref = Get32(file, at + 0x0C);
    }
    return true;
}

bool ReadFile(const char* path, Bytes* out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Fail(std::string("cannot read ") + path);
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool ReadText(const char* path, std::string* out)
{
    Bytes bytes;
    if (!ReadFile(path, &bytes))
        return false;
    out->assign(bytes.begin(), bytes.end());
    return true;
}

// ---- The numbers the module asks for --------------------------------------

bool ResolveNumber(const std::map<std::string, uint32_t>& defines, std::string token, uint32_t* value)
{
    while (!token.empty() && (token.back() == 'L' || token.back() == 'l'))
        token.pop_back();
    if (ParseNumber(token, value))
        return true;
    auto found = defines.find(token);
    if (found == defines.end())
        return false;
    *value = found->second;
    return true;
}

bool RequiredNumbers(const char* rcPath, const char* headerPath, std::set<uint32_t>* required)
{
    std::string header, rc;
    if (!ReadText(headerPath, &header) || !ReadText(rcPath, &rc))
        return false;
    std::map<std::string, uint32_t> defines;
    std::istringstream lines(header);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string directive, name, value;
        words >> directive >> name >> value;
        uint32_t v;
        if (directive == "#define" && ParseNumber(value, &v))
            defines[name] = v;
    }
    // Help buttons: 0x20000 plus each template id from 102 to 130; the viewer.
    for (uint32_t n = 131174; n <= 131202; ++n)
        required->insert(n);
    required->insert(172072);

    std::istringstream script(rc);
    std::string section;   // "menu", "helpids" or ""
    int depth = 0;
    std::vector<uint32_t> table;
    size_t menus = 0, tables = 0;
    while (std::getline(script, line)) {
        std::string text = Trim(line);
        if (text.compare(0, 2, "//") == 0)
            continue;
        std::istringstream words(text);
        std::string first, second;
        words >> first >> second;
        if (depth == 0 && (second == "MENU" || second == "MENUEX")) {
            section = "menu";
            ++menus;
            continue;
        }
        if (depth == 0 && second == "RT_HELPIDS") {
            section = "helpids";
            table.clear();
            ++tables;
            continue;
        }
        if (section.empty())
            continue;
        if (first == "BEGIN" || first == "{") {
            ++depth;
            continue;
        }
        if (first == "END" || first == "}") {
            if (--depth == 0) {
                if (section == "helpids") {
                    // (0, dialog topic) then (control, help id) pairs, closed by 0.
                    for (size_t i = 1; i < table.size(); i += 2)
                        required->insert(table[i]);
                }
                section.clear();
            }
            continue;
        }
        if (section == "menu" && first == "MENUITEM" && text.find("SEPARATOR") == std::string::npos) {
            size_t comma = text.rfind(',');
            uint32_t id;
            if (comma == std::string::npos || !ResolveNumber(defines, Trim(text.substr(comma + 1)), &id))
                return Fail(std::string(rcPath) + ": cannot read the menu item: " + text);
            required->insert(id + 0x10000);
        } else if (section == "helpids") {
            std::string token;
            for (char c : text + ",") {
                if (c == ',' || c == ' ' || c == '\t') {
                    if (!token.empty()) {
                        uint32_t v;
                        if (!ResolveNumber(defines, token, &v))
                            return Fail(std::string(rcPath) + ": not a number in a help-id table: " + token);
                        table.push_back(v);
                    }
                    token.clear();
                } else {
                    token += c;
                }
            }
        }
    }
    if (menus == 0 || tables == 0)
        return Fail(std::string(rcPath) + ": no menu or no help-id tables found");
    return true;
}

bool Check(const char* helpPath, const char* rcPath, const char* headerPath)
{
    Bytes file;
    std::vector<MapEntry> map;
    std::map<uint32_t, std::string> titles;
    std::set<uint32_t> required;
    if (!ReadFile(helpPath, &file) || !ReadMap(file, &map) || !ReadTitles(file, &titles) ||
        !RequiredNumbers(rcPath, headerPath, &required))
        return false;
    std::map<uint32_t, uint32_t> mapped;
    for (const MapEntry& e : map)
        mapped[e.number] = e.offset;
    bool ok = true;
    for (uint32_t n : required) {
        auto found = mapped.find(n);
        if (found == mapped.end()) {
            fprintf(stderr, "fyhelpc: %s: context number %u is not in the map\n", helpPath, n);
            ok = false;
        } else if (!titles.count(found->second)) {
            fprintf(stderr, "fyhelpc: %s: context number %u maps to offset 0x%x, where no topic starts\n", helpPath,
                    n, found->second);
            ok = false;
        }
    }
    if (ok)
        printf("fyhelpc: %s maps all %zu context numbers the module uses (%zu topics)\n", helpPath, required.size(),
               titles.size());
    return ok;
}

bool List(const char* helpPath)
{
    Bytes file;
    std::vector<MapEntry> map;
    std::map<uint32_t, std::string> titles;
    if (!ReadFile(helpPath, &file) || !ReadMap(file, &map) || !ReadTitles(file, &titles))
        return false;
    for (const MapEntry& e : map) {
        auto t = titles.find(e.offset);
        printf("%u\t0x%x\t%s\n", e.number, e.offset, t == titles.end() ? "(no topic)" : t->second.c_str());
    }
    return true;
}

bool Build(const char* sourcePath, const char* outPath, const char* rcPath, const char* headerPath)
{
    Source source;
    Bytes bytes;
    if (!ReadSource(sourcePath, &source) || !BuildHelpFile(source, &bytes))
        return false;
    std::string temp = std::string(outPath) + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out.good())
            return Fail("cannot write " + temp);
    }
    if (!Check(temp.c_str(), rcPath, headerPath)) {
        remove(temp.c_str());
        return false;
    }
    if (rename(temp.c_str(), outPath) != 0)
        return Fail(std::string("cannot write ") + outPath);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string command = argc > 1 ? argv[1] : "";
    bool ok;
    if (command == "build" && argc == 6)
        ok = Build(argv[2], argv[3], argv[4], argv[5]);
    else if (command == "check" && argc == 5)
        ok = Check(argv[2], argv[3], argv[4]);
    else if (command == "list" && argc == 3)
        ok = List(argv[2]);
    else {
        fprintf(stderr,
                "usage: fyhelpc build SOURCE OUTPUT RESOURCE_RC RESOURCE_H\n"
                "       fyhelpc check HELPFILE RESOURCE_RC RESOURCE_H\n"
                "       fyhelpc list HELPFILE\n");
        return 2;
    }
    return ok ? 0 : 1;
}
