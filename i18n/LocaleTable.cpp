#include "i18n/SystemLocale.h"

#include <cctype>

std::string LanguageCodeFromIsoNames(const std::string &language, const std::string &country) {
    if (language.size() != 2 || country.size() != 2)
        return {};
    std::string lang = language;
    // The system names Norwegian Bokmål "no"; catalogues use "nb".
    if (std::tolower(static_cast<unsigned char>(lang[0])) == 'n' &&
        std::tolower(static_cast<unsigned char>(lang[1])) == 'o')
        lang = "nb";
    return lang + "_" + country;
}

std::string LocaleIdToCode(unsigned long localeId) {
    struct Row {
        unsigned long id;
        const char *code;
    };
    static constexpr Row kTable[] = {
        {1030, "da_DK"}, {1031, "de_DE"}, {1032, "el_GR"}, {1033, "en_US"}, {1034, "es_ES"},
        {1035, "fi_FI"}, {1036, "fr_FR"}, {1039, "is_IS"}, {1040, "it_IT"}, {1042, "ko_KR"},
        {1043, "nl_NL"}, {1044, "nb_NO"}, {1045, "pl_PL"}, {1046, "pt_BR"}, {1049, "ru_RU"},
        {1053, "sv_SE"}, {2057, "en_GB"}, {2060, "fr_BE"}, {2067, "nl_BE"}, {2068, "nn_NO"},
        {2070, "pt_PT"}, {2077, "sv_FI"}, {3082, "es_ES"}, {3084, "fr_CA"}, {4103, "de_LU"},
    };
    for (const Row &row : kTable)
        if (row.id == localeId)
            return row.code;
    return "C";
}

std::string StripCodeset(const std::string &code) {
    const auto dot = code.find('.');
    return dot == std::string::npos ? code : code.substr(0, dot);
}

std::string ChooseLanguageCode(const std::string &langVariable) {
    return StripCodeset(langVariable.empty() ? SystemLanguageCode() : langVariable);
}
