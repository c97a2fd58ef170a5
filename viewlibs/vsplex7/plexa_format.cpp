#include "plexa_format.h"

#include <cstring>
#include <vector>

namespace plexa {

namespace {

uint32_t ReadU32(const std::string& data, size_t at)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(data[at])) |
           static_cast<uint32_t>(static_cast<uint8_t>(data[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(data[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(data[at + 3])) << 24;
}

void PutU16(std::string* out, uint16_t value)
{
    out->push_back(static_cast<char>(value & 0xFF));
    out->push_back(static_cast<char>(value >> 8));
}

void PutU32(std::string* out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out->push_back(static_cast<char>((value >> shift) & 0xFF));
}

// Characters, not bytes, of UTF-8 text: the width of an underline.
size_t CountCharacters(const std::string& text)
{
    size_t count = 0;
    for (char c : text) {
        if ((static_cast<uint8_t>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

struct Paragraph {
    uint8_t style = kBody;
    std::string text;
};

void FinishParagraph(const Paragraph& paragraph, std::string* out)
{
    if (paragraph.style == kListItem)
        out->append("  * ");
    out->append(paragraph.text);
    out->append("\r\n");
    if (paragraph.style == kHeading1 || paragraph.style == kHeading2) {
        out->append(CountCharacters(paragraph.text), paragraph.style == kHeading1 ? '=' : '-');
        out->append("\r\n");
    }
}

class DocumentWriter {
public:
    void Record(uint8_t type, uint8_t attributes, const std::string& payload)
    {
        body_.push_back(static_cast<char>(type));
        body_.push_back(static_cast<char>(attributes));
        PutU16(&body_, 0);
        PutU32(&body_, static_cast<uint32_t>(payload.size()));
        body_.append(payload);
        ++count_;
    }

    std::string Finish() const
    {
        std::string out(kSignature, sizeof(kSignature));
        PutU16(&out, kFormatVersion);
        PutU16(&out, 0);
        PutU32(&out, count_);
        return out + body_;
    }

private:
    std::string body_;
    uint32_t count_ = 0;
};

// Splits one paragraph's text into styled runs.
void WriteRuns(const std::string& text, DocumentWriter* writer)
{
    uint8_t style = 0;
    std::string run;
    auto flush = [&]() {
        if (!run.empty())
            writer->Record(kRun, style, run);
        run.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        uint8_t toggle = c == '*' ? uint8_t(kBold) : c == '_' ? uint8_t(kItalic) : c == '+' ? uint8_t(kUnderline) : c == '`' ? uint8_t(kFixedPitch) : uint8_t(0);
        if (c == '\\' && i + 1 < text.size()) {
            run.push_back(text[++i]);
        } else if (toggle != 0) {
            flush();
            style ^= toggle;
        } else {
            run.push_back(c);
        }
    }
    flush();
}

std::string TrimRight(const std::string& line)
{
    size_t end = line.find_last_not_of(" \t\r");
    return end == std::string::npos ? std::string() : line.substr(0, end + 1);
}

}  // namespace

bool HasPlexaHeader(const std::string& data)
{
    if (data.size() < kHeaderSize || memcmp(data.data(), kSignature, sizeof(kSignature)) != 0)
        return false;
    uint16_t version = static_cast<uint16_t>(static_cast<uint8_t>(data[8]) | static_cast<uint8_t>(data[9]) << 8);
    return version == kFormatVersion;
}

bool ConvertToText(const std::string& document, std::string* text)
{
    if (!HasPlexaHeader(document) || document.size() > kMaxDocumentSize)
        return false;
    uint32_t records = ReadU32(document, 12);
    std::string out = "\xEF\xBB\xBF";
    Paragraph paragraph;
    bool open = false;
    size_t at = kHeaderSize;
    for (uint32_t i = 0; i < records; ++i) {
        if (document.size() - at < kRecordHeaderSize)
            return false;
        uint8_t type = static_cast<uint8_t>(document[at]);
        uint8_t attributes = static_cast<uint8_t>(document[at + 1]);
        uint32_t length = ReadU32(document, at + 4);
        at += kRecordHeaderSize;
        if (document.size() - at < length)
            return false;
        std::string payload = document.substr(at, length);
        at += length;
        switch (type) {
        case kParagraph:
            if (open)
                FinishParagraph(paragraph, &out);
            paragraph = Paragraph();
            paragraph.style = attributes <= kListItem ? attributes : uint8_t(kBody);
            open = true;
            break;
        case kRun:
            paragraph.text.append(payload);   // the styles have no plain-text form
            open = true;
            break;
        case kFurtherFile:
            if (open)
                FinishParagraph(paragraph, &out);
            paragraph = Paragraph();
            open = false;
            if (payload.find_first_of("\r\n") != std::string::npos)
                return false;
            out.push_back(kFurtherFileMark);
            out.append(payload);
            out.append("\r\n");
            break;
        default:
            break;   // a later format's record: skipped whole
        }
    }
    if (at != document.size())
        return false;
    if (open)
        FinishParagraph(paragraph, &out);
    *text = out;
    return true;
}

std::string WriteFromMarkup(const std::string& markup)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= markup.size()) {
        size_t end = markup.find('\n', start);
        if (end == std::string::npos)
            end = markup.size();
        lines.push_back(TrimRight(markup.substr(start, end - start)));
        start = end + 1;
    }

    DocumentWriter writer;
    std::string body;   // the body paragraph being gathered
    auto flushBody = [&]() {
        if (body.empty())
            return;
        writer.Record(kParagraph, kBody, std::string());
        WriteRuns(body, &writer);
        body.clear();
    };
    for (const std::string& line : lines) {
        if (line.empty()) {
            flushBody();
        } else if (line.compare(0, 3, "## ") == 0) {
            flushBody();
            writer.Record(kParagraph, kHeading2, std::string());
            WriteRuns(line.substr(3), &writer);
        } else if (line.compare(0, 2, "# ") == 0) {
            flushBody();
            writer.Record(kParagraph, kHeading1, std::string());
            WriteRuns(line.substr(2), &writer);
        } else if (line.compare(0, 2, "* ") == 0 || line.compare(0, 2, "- ") == 0) {
            flushBody();
            writer.Record(kParagraph, kListItem, std::string());
            WriteRuns(line.substr(2), &writer);
        } else if (line.compare(0, 9, "@include ") == 0) {
            flushBody();
            writer.Record(kFurtherFile, 0, line.substr(9));
        } else {
            if (!body.empty())
                body.push_back(' ');
            body.append(line);
        }
    }
    flushBody();
    return writer.Finish();
}

}  // namespace plexa
