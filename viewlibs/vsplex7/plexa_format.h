// Plexa documents: a small word-processing format of ours (README.md).
//
//   header   "PLX7" CR LF 0x1A 0x00, format version (16 bits, 1), flags
//            (16 bits, 0), number of records (32 bits); little-endian
//   record   type (8 bits), attributes (8 bits), reserved (16 bits, 0),
//            payload length (32 bits), payload
//   types    1 paragraph (attributes: its style; no payload; the runs after
//              it belong to it), 2 text run (attributes: character style
//              bits; payload: UTF-8 text), 3 further file (payload: a file
//              name relative to the document's folder, in the system code
//              page; a paragraph of its own); other types are skipped
#pragma once

#include <cstdint>
#include <string>

namespace plexa {

constexpr char kSignature[8] = {'P', 'L', 'X', '7', '\r', '\n', '\x1A', '\0'};
constexpr uint16_t kFormatVersion = 1;
constexpr size_t kHeaderSize = 16;
constexpr size_t kRecordHeaderSize = 8;
constexpr size_t kMaxDocumentSize = 64u * 1024 * 1024;

enum RecordType : uint8_t { kParagraph = 1, kRun = 2, kFurtherFile = 3 };
enum ParagraphStyle : uint8_t { kBody = 0, kHeading1 = 1, kHeading2 = 2, kListItem = 3 };
enum RunStyle : uint8_t { kBold = 1, kItalic = 2, kUnderline = 4, kFixedPitch = 8 };

// In a text rendition, a line that starts with this character names a
// further file.
constexpr char kFurtherFileMark = '\x1E';

// True when data starts with a Plexa header of a version this code reads.
bool HasPlexaHeader(const std::string& data);

// The plain-text rendition: UTF-8 with a byte-order mark, one line per
// paragraph (CR LF), headings underlined with '=' or '-', list items as
// "  * ", further files as the mark and the name. False for a document that
// is not well formed; text is then unchanged.
bool ConvertToText(const std::string& document, std::string* text);

// Builds a document from plain text with simple markup, one paragraph per
// block of lines (blank lines between blocks):
//   "# " heading 1, "## " heading 2, "* " or "- " list item (one per line),
//   "@include NAME" a further file (a line of its own)
//   inline: *bold*, _italic_, +underlined+, `fixed pitch`; "\" takes the next
//   character as it is
std::string WriteFromMarkup(const std::string& markup);

}  // namespace plexa
