# Platform libraries of the core: libusb for USB printers, libcups for the spooler.
pkg_check_modules(LIBUSB REQUIRED IMPORTED_TARGET libusb-1.0)
find_library(CUPS_LIBRARY cups REQUIRED)
find_path(CUPS_INCLUDE_DIR cups/cups.h REQUIRED)
target_link_libraries(halvoran_core PUBLIC PkgConfig::LIBUSB ${CUPS_LIBRARY})
target_include_directories(halvoran_core PUBLIC ${CUPS_INCLUDE_DIR})
# cpp-httplib for the loopback browser host. Debian ships it as a compiled
# library whose header must see the same feature macros (pkg-config's cflags).
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
target_link_libraries(halvoran_core PUBLIC PkgConfig::HTTPLIB)
