#include "support/plain_http.h"

#include <curl/curl.h>

#include <cctype>

namespace brevink::test {
namespace {

size_t Append(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

}  // namespace

PlainReply PlainFetch(const PlainRequest& request) {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    PlainReply reply;
    CURL* curl = initialised ? curl_easy_init() : nullptr;
    if (curl == nullptr)
        return reply;
    curl_slist* headers = nullptr;
    for (const std::string& line : request.headers)
        headers = curl_slist_append(headers, line.c_str());
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &reply.headers);
    if (!request.caFile.empty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, request.caFile.c_str());
    if (request.method == "POST") {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(request.body.size()));
    }
    if (curl_easy_perform(curl) == CURLE_OK) {
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return reply;
}

std::string FormEncode(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (std::isalnum(b) || b == '-' || b == '.' || b == '_') {
            out += c;
        } else if (b == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

PlainReply PlainGet(const std::string& url, const std::vector<std::string>& headers) {
    PlainRequest request;
    request.url = url;
    request.headers = headers;
    return PlainFetch(request);
}

PlainReply PlainPost(const std::string& url, const std::string& body,
                     const std::vector<std::string>& headers) {
    PlainRequest request;
    request.url = url;
    request.method = "POST";
    request.body = body;
    request.headers = headers;
    return PlainFetch(request);
}

}  // namespace brevink::test
