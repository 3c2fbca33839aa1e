#include "i18n/SystemLocale.h"

#include <windows.h>

namespace {
// A name longer than four characters does not fit and reads as empty, which the
// two-character rule rejects anyway.
std::string UserLocaleInfo(LCTYPE type) {
    constexpr int kLength = 5;
    char buffer[kLength] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, kLength) <= 0)
        return {};
    return std::string(buffer);
}
} // namespace

std::string SystemLanguageCode() {
    const std::string code = LanguageCodeFromIsoNames(UserLocaleInfo(LOCALE_SISO639LANGNAME),
                                                      UserLocaleInfo(LOCALE_SISO3166CTRYNAME));
    if (!code.empty())
        return code;
    return LocaleIdToCode(GetThreadLocale());
}
