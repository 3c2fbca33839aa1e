# File attributes and code page (Qt-free): target_sources(vi_platform PRIVATE ...)
