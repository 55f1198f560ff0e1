#pragma once
// Byte-level helpers of the sandbox: form and URL decoding, the JSON escaping that the platform
// uses, cookies of a request, and UTF-8 <-> GBK through iconv. The sandbox keeps its own copies
// so that it stands apart from the client it serves.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sandbox {

// "%XX" and "+" decoded (form rules); a "%" without two hex digits stays as it is.
std::string UrlDecode(std::string_view text);

// Every byte outside A-Z a-z 0-9 - . _ ~ as "%XX" (upper-case hex).
std::string PercentEncode(std::string_view bytes);

// The name=value pairs of a form body or query, both halves decoded, in order.
std::vector<std::pair<std::string, std::string>> FormPairs(std::string_view form);

// The value of the first pair called `name` in a form or query (decoded); empty if absent.
std::string FormValue(std::string_view form, std::string_view name);

// The value of cookie `name` in a Cookie header ("a=1; b=2" or "a=1;b=2;"); empty if absent.
std::string CookieValue(std::string_view cookieHeader, std::string_view name);

// A JSON string body (no quotes): "/" as "\/", quote and backslash escaped, control bytes and
// every non-ASCII character as "\uXXXX" (UTF-16 units, surrogate pairs above U+FFFF).
std::string JsonEscape(std::string_view utf8);

// Conversions through iconv; invalid input or a character the target cannot hold becomes "?".
std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

// A fresh random hex text of `length` digits (tokens, cookies).
std::string RandomHex(size_t length);

}  // namespace sandbox
