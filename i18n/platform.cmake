# System locale (Qt-free): the language code when LANG is empty.
target_sources(vi_platform PRIVATE SystemLocale.h SystemLocale_${VI_PLATFORM}.cpp LocaleTable.cpp)
