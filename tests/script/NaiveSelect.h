// The drop-down list reading done the plain way, one search after another
// from scratch: quadratic on hostile pages, but obviously right. Tests and
// the fuzzer compare the real reader with it.
#pragma once

#include <string>
#include <vector>

#include "script/Extract.h"
#include "shell/Text.h"

namespace scripttest {

inline std::vector<script::KeyPair> NaiveSelectLists(const std::string& page, std::vector<script::KeyPair> keys = {}) {
    const std::string body = page.substr(0, page.find('\0'));
    const size_t npos = std::string::npos;
    auto quotedOrSpace = [&](size_t from, size_t* begin, size_t* end) {
        const size_t eq = body.find('=', from);
        if (eq == npos) return false;
        const size_t q = body.find('"', eq + 1);
        if (q != npos) {
            size_t e = body.find('"', q + 1);
            if (e == npos) e = body.find('>', q + 1);
            if (e == npos) return false;
            *begin = q + 1;
            *end = e;
            return true;
        }
        const size_t e = body.find(' ', eq + 1);
        if (e == npos) return false;
        *begin = eq + 1;
        *end = e;
        return true;
    };
    for (size_t s = FindNoCase(body, "<select", 1); s != npos; s = FindNoCase(body, "<select", s + 1)) {
        size_t listEnd = body.find("</select", s + 1);
        if (listEnd == npos) listEnd = body.size();
        const size_t g = body.find('>', s + 1);
        if (g == npos) break;
        const size_t n = FindNoCase(body, "name", s + 1);
        if (n == npos || n + 4 >= g) continue;
        size_t nb, ne;
        if (!quotedOrSpace(n + 4, &nb, &ne)) continue;
        const std::string name = body.substr(nb, ne - nb);
        size_t pair = npos;
        bool first = true;
        for (size_t o = FindNoCase(body, "<option", s + 1); o != npos && o < listEnd;
             o = FindNoCase(body, "<option", o + 1)) {
            const size_t h = body.find('>', o + 1);
            if (h == npos) break;
            const bool wasFirst = first;
            first = false;
            if (!wasFirst) {
                const size_t sel = FindNoCase(body, "selected", o + 1);
                if (sel == npos || sel > h) continue;
            }
            size_t vb, ve;
            const size_t v = FindNoCase(body, "value", o + 1);
            if (v != npos && v + 5 < h && body.find('=', v + 5) != npos) {
                if (!quotedOrSpace(v + 5, &vb, &ve)) continue;
            } else {
                const size_t lt = body.find('<', h + 1);
                if (lt == npos) continue;
                vb = h + 1;
                ve = lt;
            }
            while (vb < ve && (body[vb] == ' ' || body[vb] == '\n' || body[vb] == '\r')) ++vb;
            while (ve > vb && (body[ve - 1] == ' ' || body[ve - 1] == '\n' || body[ve - 1] == '\r')) --ve;
            const std::string value = body.substr(vb, ve - vb);
            if (pair == npos) {
                if (keys.size() >= script::kMaxKeys) return keys;
                pair = keys.size();
                keys.push_back({name, value});
            } else {
                keys[pair].value = value;
            }
        }
    }
    return keys;
}

}  // namespace scripttest
