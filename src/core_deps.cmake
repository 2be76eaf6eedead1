# Platform libraries of the core: libusb for USB printers, libcups for the spooler.
pkg_check_modules(LIBUSB REQUIRED IMPORTED_TARGET libusb-1.0)
find_library(CUPS_LIBRARY cups REQUIRED)
find_path(CUPS_INCLUDE_DIR cups/cups.h REQUIRED)
target_link_libraries(halvoran_core PUBLIC PkgConfig::LIBUSB ${CUPS_LIBRARY})
target_include_directories(halvoran_core PUBLIC ${CUPS_INCLUDE_DIR})
# cpp-httplib (header only) for the loopback browser host.
find_path(HTTPLIB_INCLUDE_DIR httplib.h REQUIRED)
target_include_directories(halvoran_core PUBLIC ${HTTPLIB_INCLUDE_DIR})
