# Media identifiers and the import run: target_sources(vi_import PRIVATE ...)
