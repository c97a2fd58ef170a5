// plexa_write: makes a Plexa document from plain text with simple markup
// (see plexa_format.h).
//
//   plexa_write MARKUP.txt DOCUMENT.plx
#include <cstdio>
#include <string>

#include "plexa_format.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: plexa_write MARKUP.txt DOCUMENT.plx\n");
        return 2;
    }
    FILE* in = fopen(argv[1], "rb");
    if (!in) {
        fprintf(stderr, "plexa_write: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string markup;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), in)) > 0)
        markup.append(buffer, got);
    fclose(in);

    std::string document = plexa::WriteFromMarkup(markup);
    FILE* out = fopen(argv[2], "wb");
    if (!out || fwrite(document.data(), 1, document.size(), out) != document.size() || fclose(out) != 0) {
        fprintf(stderr, "plexa_write: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
