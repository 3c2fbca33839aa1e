#include "settings/FilePlatform.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// Well-formed UTF-8: no stray, overlong, surrogate or out-of-range sequence.
bool IsValidUtf8(const std::string &bytes) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        const size_t length = Utf8SequenceLength(lead);
        if (length == 1 || static_cast<size_t>(end - p) < length)
            return false;
        for (size_t i = 1; i < length; ++i)
            if ((p[i] & 0xC0) != 0x80)
                return false;
        // The second byte's range rules out overlong forms, surrogates and values past U+10FFFF.
        if ((lead == 0xE0 && p[1] < 0xA0) || (lead == 0xED && p[1] > 0x9F) ||
            (lead == 0xF0 && p[1] < 0x90) || (lead == 0xF4 && p[1] > 0x8F))
            return false;
        p += length;
    }
    return true;
}

const char *const kWindows1250 = "CP1250";

} // namespace

FileCodePage CodePageOfFile(const std::string &bytes) {
    return IsUtf8(CodePage()) && !IsValidUtf8(bytes) ? FileCodePage::Windows1250
                                                     : FileCodePage::User;
}

std::string FileTextToUtf8(const std::string &bytes, FileCodePage codePage) {
    if (codePage == FileCodePage::User)
        return AnsiToUtf8(bytes);
    return Convert(bytes, "UTF-8", kWindows1250, false, "\xEF\xBF\xBD");
}

std::string Utf8ToFileText(const std::string &utf8, FileCodePage codePage) {
    if (codePage == FileCodePage::User)
        return Utf8ToAnsi(utf8);
    return Convert(utf8, kWindows1250, "UTF-8", true, "?");
}

std::string FileCodePageName(FileCodePage codePage) {
    return codePage == FileCodePage::User ? CodePage() : "Windows-1250";
}

std::string SyncFileToDisk(int handle) {
    if (handle < 0 || ::fsync(handle) == 0)
        return {};
    // A file system that cannot sync (a pipe, some special files) has nothing to lose.
    if (errno == EINVAL || errno == EROFS)
        return {};
    return std::strerror(errno);
}
