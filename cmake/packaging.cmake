# The project's public facts and the Debian package (`cpack -G DEB`, through scripts/package.sh).
# Included before the subdirectories: src/app writes the AppStream metainfo from these facts.

set(GLYPHON_HOMEPAGE "https://github.com/rom-glyphon/rom-glyphon"
    CACHE STRING "Project home page, named in the package and the AppStream metainfo")
set(GLYPHON_SCREENSHOT_URL "https://raw.githubusercontent.com/rom-glyphon/rom-glyphon/main/docs"
    CACHE STRING "Where the pictures of docs/ are published, for software centres")
set(GLYPHON_MAINTAINER "ROM Glyphon maintainers <maintainers@rom-glyphon.example>"
    CACHE STRING "Package maintainer, name and address")
# AppStream wants a reverse-domain id; the desktop entry keeps its short name as the launchable.
set(GLYPHON_APPSTREAM_ID "io.github.rom_glyphon.RomGlyphon")
# The day PROJECT_VERSION was released; move it on with the version in the top-level project().
set(GLYPHON_RELEASE_DATE "2026-12-07")

set(CPACK_PACKAGE_NAME "rom-glyphon")
set(CPACK_PACKAGE_VENDOR "ROM Glyphon")
set(CPACK_PACKAGE_CONTACT "${GLYPHON_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${GLYPHON_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert pictures to console ROM graphics and back")
# Lines under 80 columns, as dpkg shows them; an empty line separates paragraphs.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "ROM Glyphon turns a rectangle of a picture into the raw graphics data that"
  "game consoles keep in cartridge memory, and turns such data back into a"
  "picture. It knows nineteen formats from 1 to 32 bits per pixel: SNES, Game"
  "Boy and NES planar tiles, linear packed pixels, Virtual Boy, Genesis, SuperFX"
  "nibble streams, Mode 7 tiles and N64 direct colour with alpha."
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

include(CPack)
