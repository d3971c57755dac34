# What the program is known by: its version (from project()) and the identity the desktop and
# software centres use for it. A generated header carries them into the code; only the files
# that include it are rebuilt when they change.
#
# The project has no web home yet. The reserved .example domain marks the application identity,
# the homepage and the package contact as placeholders until it has one; set them here then.
set(QUILLO_APP_ID "example.quillobarent.QuilloBarent")
set(QUILLO_HOMEPAGE "https://quillobarent.example")
set(QUILLO_CONTACT "Quillo Barent developers <developers@quillobarent.example>")
# Date of the release project() names, for the AppStream release entry and the manual pages.
set(QUILLO_RELEASE_DATE "2026-12-07")

configure_file(${PROJECT_SOURCE_DIR}/cmake/quillo_version.h.in
               ${PROJECT_BINARY_DIR}/generated/quillo_version.h @ONLY)
target_include_directories(quillo_core PUBLIC ${PROJECT_BINARY_DIR}/generated)
