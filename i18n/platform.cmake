# System locale (Qt-free): target_sources(vi_platform PRIVATE ...)
