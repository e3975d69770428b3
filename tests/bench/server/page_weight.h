// The browser test's page as a browser first fetches it: the page and every file it names, each
// as sent to a browser that takes gzip, and as it is.
#pragma once

#include <string>
#include <vector>

struct PageFile {
    std::string path; // as the page names it, without its version's query
    std::string plain;
    size_t sent_bytes = 0; // the body as sent with Accept-Encoding: gzip
};

// /play at 127.0.0.1:port and the files of /play/ it and they name; throws BenchFailure when one
// is not answered 200.
std::vector<PageFile> fetch_page_files(int port);
