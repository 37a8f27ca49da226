# SPDX-License-Identifier: MIT
# The project's public facts and the Debian package (`cpack -G DEB`, through scripts/package.sh).
# Included before the subdirectories: src/app writes the AppStream metainfo from these facts.

# Addresses the project has none of yet. A packager who publishes the project sets them
# (-DGLYPHON_HOMEPAGE=https://...); left empty, the package and the metainfo leave them out
# rather than name an address that does not exist.
set(GLYPHON_HOMEPAGE "" CACHE STRING "Project home page, named in the package and the AppStream metainfo")
set(GLYPHON_SCREENSHOT_URL "" CACHE STRING
    "Web folder holding the pictures of docs/ (main-picture.png, main-preview.png), for software centres")
# dpkg needs a Maintainer field but not an address in it; a packager puts theirs here.
set(GLYPHON_PACKAGE_MAINTAINER "The ROM Glyphon authors" CACHE STRING "Package maintainer: name <address>")
# AppStream wants a reverse-domain id; the desktop entry keeps its short name as the launchable.
set(GLYPHON_APPSTREAM_ID "io.github.rom_glyphon.RomGlyphon")
# The day PROJECT_VERSION was released; move it on with the version in the top-level project().
set(GLYPHON_RELEASE_DATE "2026-12-07")

set(CPACK_PACKAGE_NAME "rom-glyphon")
set(CPACK_PACKAGE_VENDOR "ROM Glyphon")
set(CPACK_PACKAGE_CONTACT "${GLYPHON_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${GLYPHON_PACKAGE_MAINTAINER}")
if(GLYPHON_HOMEPAGE)
  set(CPACK_PACKAGE_HOMEPAGE_URL "${GLYPHON_HOMEPAGE}")
endif()
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert pictures to console ROM graphics and back")
# Lines under 80 columns, as dpkg shows them; an empty line separates paragraphs.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "ROM Glyphon turns a rectangle of a picture into the raw graphics data that"
  "game consoles keep in cartridge memory, and turns such data back into a"
  "picture. It knows twenty-five formats from 1 to 32 bits per pixel: SNES,"
  "Game Boy and NES planar tiles, linear packed pixels, Virtual Boy, Genesis,"
  "SuperFX nibble streams, Mode 7 tiles, N64 direct colour with alpha, Game Boy"
  "Advance, Master System, Neo Geo Pocket and PC Engine tiles and 15-bit BGR"
  "direct colour, and it reads and writes compressed GBA, DS and SNES graphics."
  ""
  "This package holds the desktop app rom-glyphon and the command-line tool"
  "glyphon for build pipelines.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")

set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT") # rom-glyphon_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION "graphics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# Library dependencies come from the binaries through dpkg-shlibdeps (package dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads picture kinds beyond BMP, PNG, JPEG and GIF (TIFF, WebP, TGA) as plugins, which
# dpkg-shlibdeps cannot see. The X11 platform plugin comes with libqt6gui6; Wayland desktops
# run the app through XWayland without pulling in Qt Quick for qt6-wayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-image-formats-plugins")

# The optional parts of the AppStream metainfo (src/app/rom-glyphon.metainfo.xml.in), each
# written out only when its address is known.
set(GLYPHON_METAINFO_URL "")
if(GLYPHON_HOMEPAGE)
  set(GLYPHON_METAINFO_URL "\n  <url type=\"homepage\">${GLYPHON_HOMEPAGE}</url>")
endif()
set(GLYPHON_METAINFO_SCREENSHOTS "")
if(GLYPHON_SCREENSHOT_URL)
  string(JOIN "\n" GLYPHON_METAINFO_SCREENSHOTS ""
    "  <screenshots>"
    "    <screenshot type=\"default\">"
    "      <caption>A picture loaded, the selection box over it, ready to convert</caption>"
    "      <image>${GLYPHON_SCREENSHOT_URL}/main-picture.png</image>"
    "    </screenshot>"
    "    <screenshot>"
    "      <caption>ROM data previewed as a picture before it is accepted</caption>"
    "      <image>${GLYPHON_SCREENSHOT_URL}/main-preview.png</image>"
    "    </screenshot>"
    "  </screenshots>")
endif()

# /usr/share/doc/rom-glyphon/copyright in Debian's machine-readable form, taken from LICENSE:
# its copyright line without "Copyright (c)", and the licence text after it with each line
# indented by one space and an empty line written as " .".
file(READ "${PROJECT_SOURCE_DIR}/LICENSE" licence_text)
if(NOT licence_text MATCHES "\nCopyright \\(c\\) ([^\n]*)\n\n(.*)$")
  message(FATAL_ERROR "LICENSE: no line \"Copyright (c) YEAR HOLDER\" followed by the licence text")
endif()
set(GLYPHON_COPYRIGHT "${CMAKE_MATCH_1}")
set(licence_text "${CMAKE_MATCH_2}")
string(STRIP "${licence_text}" licence_text)
string(REPLACE "\n\n" "\n.\n" licence_text "${licence_text}")
string(REPLACE "\n" "\n " GLYPHON_LICENCE_TEXT " ${licence_text}")
set(GLYPHON_COPYRIGHT_SOURCE "")
if(GLYPHON_HOMEPAGE)
  set(GLYPHON_COPYRIGHT_SOURCE "\nSource: ${GLYPHON_HOMEPAGE}")
endif()
configure_file("${CMAKE_CURRENT_LIST_DIR}/copyright.in" "${PROJECT_BINARY_DIR}/copyright" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/copyright" DESTINATION share/doc/rom-glyphon)

include(CPack)
