// The program's web addresses: the four link pages of the panel and the results endpoint.
#pragma once

// The panel's link images (IDC_LINK_1 onwards), one for each page below.
constexpr int link_count = 4;

// Opened by the panel's link images, in the order of the images; the last is the program's
// own home page.
inline constexpr const char* link_pages[link_count] = {
    "http://www.trivelle.net/rules.html",
    "http://www.trivelle.net/records.html",
    "http://www.trivelle.net/forum/",
    "http://www.trivelle.net/",
};

// The result link is this prefix followed by the scrambled record in hexadecimal.
inline constexpr const char result_link_prefix[] = "http://www.trivelle.net/cgi-bin/trv-w-ru.pl?";
