#include "i18n/SystemLocale.h"

#include <clocale>
#include <cstdlib>

namespace {

std::string EnvironmentValue(const char *name) {
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// "no_NO.UTF-8" -> "nb_NO.UTF-8": the same Norwegian rule as the Windows names.
std::string MendLanguage(const std::string &name) {
    if (name.size() >= 5 && name[2] == '_') {
        const std::string code = LanguageCodeFromIsoNames(name.substr(0, 2), name.substr(3, 2));
        if (!code.empty())
            return code + name.substr(5);
    }
    return name;
}

} // namespace

std::string SystemLanguageCode() {
    std::string name = EnvironmentValue("LC_ALL");
    if (name.empty())
        name = EnvironmentValue("LC_MESSAGES");
    if (name.empty()) {
        // The C library's view, as far as the program has taken it from the environment.
        const char *current = std::setlocale(LC_MESSAGES, nullptr);
        name = current ? current : "";
    }
    if (name.empty() || name == "POSIX")
        return "C";
    return MendLanguage(name);
}
