#pragma once
// The user's language as the operating system reports it, in "ll_CC" form.

#include <string>

// Used when LANG is empty. Windows: GetLocaleInfoA, then GetThreadLocale through the table below.
// Elsewhere: the user's locale (LC_ALL, LC_MESSAGES, then the C library's locale).
std::string SystemLanguageCode();

// language "_" country when both are exactly two characters ("no" becomes "nb"), else empty.
std::string LanguageCodeFromIsoNames(const std::string &language, const std::string &country);

// Thread locale identifier to code; "C" for an identifier not in the table.
std::string LocaleIdToCode(unsigned long localeId);

// The language code for a value of LANG: the system's code when the value is empty; then
// everything from the first "." removed (case and "@modifier" stay).
std::string ChooseLanguageCode(const std::string &langVariable);

// Everything from the first "." removed.
std::string StripCodeset(const std::string &code);
