// The files are prepared once, at the first request: hashed, their references to each other
// versioned, and compressed.
#include "server/site/play_files.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <vector>

const char* const play_page_policy =
    "default-src 'none'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; "
    "img-src 'self'; connect-src 'self'; base-uri 'none'; form-action 'none'; "
    "frame-ancestors 'none'";

namespace {

constexpr std::string_view page_name = "play.html";
constexpr const char* kept_for_a_year = "public, max-age=31536000, immutable";

struct FileType {
    std::string_view extension;
    const char* content_type;
    bool text; // may name other files, and compresses well
    int order; // files named by others are prepared first: the module, style, script, page
};
constexpr FileType file_types[] = {
    {".wasm", "application/wasm", false, 0},
    {".svg", "image/svg+xml", true, 0},
    {".png", "image/png", false, 0},
    {".css", "text/css; charset=utf-8", true, 1},
    {".js", "text/javascript; charset=utf-8", true, 2},
    {".html", "text/html; charset=utf-8", true, 3},
};

const FileType& type_of(std::string_view name) {
    for (const FileType& type : file_types) {
        if (name.ends_with(type.extension)) {
            return type;
        }
    }
    static constexpr FileType other{"", "application/octet-stream", false, 0};
    return other;
}

// FNV-1a, 64 bits: a version tells contents apart, it guards nothing.
std::string content_version(std::string_view bytes) {
    uint64_t hash = 0xcbf29ce484222325;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3;
    }
    static constexpr char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) {
        text[size_t(i)] = digits[hash & 15];
    }
    return text;
}

// gzip at the highest level: done once for the life of the service.
std::shared_ptr<const std::string> gzipped(const std::string& plain) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        return nullptr;
    }
    std::string out(deflateBound(&stream, uLong(plain.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    stream.avail_in = uInt(plain.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    // Worth a Vary and the browser's work only when it saves a tenth.
    if (status != Z_STREAM_END || out.size() * 10 > plain.size() * 9) {
        return nullptr;
    }
    return std::make_shared<const std::string>(std::move(out));
}

// Every "/play/<name>" in a text, followed by a quote or a bracket, gets the name's version.
void version_references(std::string& text, const std::vector<PlayFile>& prepared) {
    for (const PlayFile& file : prepared) {
        const std::string reference = "/play/" + file.name;
        for (size_t at = text.find(reference); at != std::string::npos;
             at = text.find(reference, at + 1)) {
            const size_t end = at + reference.size();
            if (end < text.size() && (text[end] == '"' || text[end] == '\'' || text[end] == ')')) {
                text.insert(end, "?v=" + file.version);
            }
        }
    }
}

std::vector<PlayFile> prepare_files() {
    std::vector<const EmbeddedFile*> embedded;
    for (size_t i = 0; i < embedded_play_file_count; ++i) {
        embedded.push_back(&embedded_play_files[i]);
    }
    std::stable_sort(embedded.begin(), embedded.end(), [](const auto* a, const auto* b) {
        return type_of(a->name).order < type_of(b->name).order;
    });
    std::vector<PlayFile> files;
    files.reserve(embedded.size());
    for (const EmbeddedFile* source : embedded) {
        const FileType& type = type_of(source->name);
        std::string bytes(reinterpret_cast<const char*>(source->bytes), source->size);
        if (type.text) {
            version_references(bytes, files);
        }
        PlayFile file{source->name, type.content_type, nullptr, nullptr, content_version(bytes)};
        file.gzipped = gzipped(bytes);
        file.plain = std::make_shared<const std::string>(std::move(bytes));
        files.push_back(std::move(file));
    }
    return files;
}

const std::vector<PlayFile>& play_files() {
    static const std::vector<PlayFile> files = prepare_files();
    return files;
}

// Whether an Accept-Encoding list takes gzip: named, and not with q=0.
bool takes_gzip(std::string_view accepted) {
    while (!accepted.empty()) {
        const size_t comma = accepted.find(',');
        std::string_view coding = accepted.substr(0, comma);
        accepted = comma == std::string_view::npos ? "" : accepted.substr(comma + 1);
        const size_t semicolon = coding.find(';');
        std::string_view name = coding.substr(0, semicolon);
        while (!name.empty() && name.front() == ' ') {
            name.remove_prefix(1);
        }
        while (!name.empty() && name.back() == ' ') {
            name.remove_suffix(1);
        }
        std::string lower(name);
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](char c) { return char(std::tolower(static_cast<unsigned char>(c))); });
        if (lower != "gzip" && lower != "x-gzip") {
            continue;
        }
        if (semicolon == std::string_view::npos) {
            return true;
        }
        std::string parameters(coding.substr(semicolon + 1));
        std::erase(parameters, ' ');
        return !(parameters.starts_with("q=0") &&
                 parameters.find_first_not_of("0.", 2) == std::string::npos);
    }
    return false;
}

} // namespace

const PlayFile* play_file(std::string_view path) {
    std::string_view name;
    if (path == "/play") {
        name = page_name;
    } else if (path.starts_with("/play/")) {
        name = path.substr(6);
    } else {
        return nullptr;
    }
    for (const PlayFile& file : play_files()) {
        if (file.name == name) {
            return &file;
        }
    }
    return nullptr;
}

HttpAnswer play_file_answer(const PlayFile& file, const HttpRequest& request) {
    const size_t mark = request.target.find('?');
    const bool versioned =
        mark != std::string_view::npos && request.target.substr(mark + 1) == "v=" + file.version;
    const bool gzip = file.gzipped && takes_gzip(request.accept_encoding);
    // Each coding its own tag, as the bytes differ; either stands for the same content.
    std::string etag = "\"";
    etag.append(file.version).append(gzip ? "-gzip\"" : "\"");
    HttpAnswer answer;
    answer.headers = {{"ETag", etag}, {"Cache-Control", versioned ? kept_for_a_year : "no-cache"}};
    if (file.gzipped) {
        answer.headers.emplace_back("Vary", "Accept-Encoding");
    }
    if (file.name == page_name) {
        answer.headers.emplace_back("Content-Security-Policy", play_page_policy);
    }
    if (request.if_none_match.find(file.version) != std::string_view::npos ||
        request.if_none_match == "*") {
        answer.status = 304;
        return answer;
    }
    answer.headers.emplace_back("Content-Type", file.content_type);
    if (gzip) {
        answer.headers.emplace_back("Content-Encoding", "gzip");
    }
    answer.body = gzip ? file.gzipped : file.plain;
    return answer;
}
