// The project's web site, opened by "Visit Website...". A build can point it
// elsewhere with -DHOARDIUM_WEBSITE="...".
#pragma once

#ifndef HOARDIUM_WEBSITE
#define HOARDIUM_WEBSITE "https://hoardium.github.io/"
#endif

constexpr char ProjectWebsite[] = HOARDIUM_WEBSITE;
