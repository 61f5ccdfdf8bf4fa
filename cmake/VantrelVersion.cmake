# The program's version and its web hosts, fixed at build time in one place.
#
# The version is the one of project(Vantrel VERSION major.minor.release.build) in the top-level
# CMakeLists.txt. It reaches the program file's version resource (resources/vantrel.rc.in), its
# manifest, and C++ code through the generated header <vantrel/version.h>; the running program reads
# it back from its version resource (About page, links). Packaging (installer, zip name) takes
# VANTREL_VERSION from here.
#
# The web hosts are cache variables (set them with -D at configure time); they reach the link
# builder through the generated header <vantrel/link_hosts.h>:
#   VANTREL_PRODUCT_HOST   host of the product's web site, linked as "http://" + host
#   VANTREL_MAKER_HOST     host of the maker's web site; its domain is the host without "www."
#   VANTREL_FACEBOOK_PAGE  full address of the maker's Facebook page
#   VANTREL_TWITTER_PAGE   full address of the maker's Twitter page
set(VANTREL_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(VANTREL_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(VANTREL_VERSION_RELEASE ${PROJECT_VERSION_PATCH})
set(VANTREL_VERSION_BUILD ${PROJECT_VERSION_TWEAK})
foreach(part MINOR RELEASE BUILD)
    if("${VANTREL_VERSION_${part}}" STREQUAL "")
        set(VANTREL_VERSION_${part} 0)
    endif()
endforeach()
set(VANTREL_VERSION
    "${VANTREL_VERSION_MAJOR}.${VANTREL_VERSION_MINOR}.${VANTREL_VERSION_RELEASE}.${VANTREL_VERSION_BUILD}")

set(VANTREL_PRODUCT_HOST "vantrel.tarvenn.com" CACHE STRING "Host of the product's web site")
set(VANTREL_MAKER_HOST "www.tarvenn.com" CACHE STRING "Host of the maker's web site")
set(VANTREL_FACEBOOK_PAGE "https://www.facebook.com/tarvenn" CACHE STRING "Address of the maker's Facebook page")
set(VANTREL_TWITTER_PAGE "https://twitter.com/tarvenn" CACHE STRING "Address of the maker's Twitter page")

set(VANTREL_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${VANTREL_GENERATED_DIR}/vantrel/version.h @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/link_hosts.h.in ${VANTREL_GENERATED_DIR}/vantrel/link_hosts.h @ONLY)

# Everything that includes a generated header links this.
add_library(vantrel_generated INTERFACE)
target_include_directories(vantrel_generated INTERFACE ${VANTREL_GENERATED_DIR})
