#include "settings/FilePlatform.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>

bool IsReadOnlyFile(const std::string &utf8Path) {
    struct stat st {};
    if (::stat(utf8Path.c_str(), &st) != 0)
        return false;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

namespace {

// The locale's encoding. The plain C locale reports ASCII, which would turn every non-ASCII
// character into "?"; there the file is UTF-8, which reads ASCII files unchanged.
std::string CodePage() {
    const char *codeset = nl_langinfo(CODESET);
    if (codeset == nullptr || *codeset == '\0' || std::strcmp(codeset, "ANSI_X3.4-1968") == 0 ||
        std::strcmp(codeset, "ASCII") == 0 || std::strcmp(codeset, "US-ASCII") == 0)
        return "UTF-8";
    return codeset;
}

bool IsUtf8(const std::string &codePage) {
    return codePage == "UTF-8" || codePage == "utf-8" || codePage == "UTF8" || codePage == "utf8";
}

// Length of the UTF-8 sequence that starts with this byte (1 for a stray byte).
size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    if (lead >= 0xC2)
        return 2;
    return 1;
}

// Converts with iconv; a character or byte that cannot be converted becomes `replacement`
// (the way the Windows conversion puts its default character), so nothing stops the write.
std::string Convert(const std::string &text, const char *to, const char *from, bool fromUtf8,
                    const std::string &replacement) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return text;
    std::string out;
    char buffer[256];
    char *in = const_cast<char *>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (rc != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (a truncated sequence at the end): skip one character.
        size_t skip = fromUtf8 ? Utf8SequenceLength(static_cast<unsigned char>(*in)) : 1;
        if (skip > inLeft)
            skip = inLeft;
        in += skip;
        inLeft -= skip;
        out += replacement;
    }
    iconv_close(cd);
    return out;
}

} // namespace

std::string Utf8ToAnsi(const std::string &utf8) {
    const std::string cp = CodePage();
    if (IsUtf8(cp))
        return utf8;
    return Convert(utf8, cp.c_str(), "UTF-8", true, "?");
}

std::string AnsiToUtf8(const std::string &ansi) {
    const std::string cp = CodePage();
    if (IsUtf8(cp))
        return ansi;
    return Convert(ansi, "UTF-8", cp.c_str(), false, "\xEF\xBF\xBD");
}
