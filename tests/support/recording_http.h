// An HTTP client for tests that never opens a connection: it records every
// address it is asked for by either fetch, in order, and answers from a table of pages. An
// address missing from the table fails as a 404 would, or, for tests that
// only look at the requests, is answered with an empty page.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "http.h"

namespace nubra::test {

class TRecordingHttp : public TIdHTTP {
public:
    enum class TMissingPage { NotFound, Empty };

    explicit TRecordingHttp(TMissingPage missing = TMissingPage::NotFound) : missing_(missing) {}

    std::vector<std::string> Requests;
    std::map<std::string, std::string> Pages;

    std::string FetchPage(const std::string& url) override { return answer(url); }
    std::string FetchLive(const std::string& url) override { return answer(url); }

private:
    std::string answer(const std::string& url)
    {
        Requests.push_back(url);
        const auto page = Pages.find(url);
        if (page != Pages.end())
            return page->second;
        if (missing_ == TMissingPage::Empty)
            return {};
        throw EHttpError("HTTP/1.1 404 Not Found");
    }

    TMissingPage missing_;
};

} // namespace nubra::test
