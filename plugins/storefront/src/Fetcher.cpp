#include "Fetcher.h"

#include "CacheFiles.h"
#include "FileRead.h"
#include "OnlineLibraries.h"
#include "StoreConfig.h"

#include <atomic>
#include <cstring>
#include <sstream>
#include <sys/stat.h>

namespace Storefront {

namespace {

// The validators a server sent with a kept copy, in <copy>.validators.
struct Validators {
    std::string etag;
    std::string lastModified;
};

std::string validatorsPath(const std::string& destination) {
    return destination + ".validators";
}

Validators readValidators(const std::string& destination) {
    Validators validators;
    std::string text;
    if (readSmallFile(validatorsPath(destination), 4096, text) != FileReadResult::Read) {
        return validators;
    }
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("etag ", 0) == 0) {
            validators.etag = line.substr(5);
        } else if (line.rfind("last-modified ", 0) == 0) {
            validators.lastModified = line.substr(14);
        }
    }
    return validators;
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

struct Transfer {
    const FetchRequest* request = nullptr;
    const bool* stop = nullptr;
    std::string body;
    bool tooLarge = false;
    Validators validators; // of the answer being received
};

std::size_t receiveBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    std::size_t bytes = size * count;
    if (transfer->body.size() + bytes > transfer->request->maxBytes) {
        transfer->tooLarge = true;
        return 0; // ends the transfer
    }
    transfer->body.append(data, bytes);
    return bytes;
}

std::string headerValue(const std::string& line, std::size_t nameLength) {
    std::string value = line.substr(nameLength);
    std::size_t first = value.find_first_not_of(" \t");
    std::size_t last = value.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
}

std::size_t receiveHeader(char* data, std::size_t size, std::size_t count, void* context) {
    auto* transfer = static_cast<Transfer*>(context);
    std::size_t bytes = size * count;
    std::string line(data, bytes);
    if (line.rfind("HTTP/", 0) == 0) {
        transfer->validators = {}; // a new answer (after a redirect): its own validators
    } else if (strncasecmp(line.c_str(), "etag:", 5) == 0) {
        transfer->validators.etag = headerValue(line, 5);
    } else if (strncasecmp(line.c_str(), "last-modified:", 14) == 0) {
        transfer->validators.lastModified = headerValue(line, 14);
    }
    return bytes;
}

int watchStop(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(context);
    return transfer->stop && __atomic_load_n(transfer->stop, __ATOMIC_RELAXED) ? 1 : 0;
}

FetchResult failure(const FetchRequest& request, const std::string& why) {
    return {request.tag, request.url, request.destination, FetchOutcome::Failed,
            request.url + ": " + why};
}

} // namespace

FetchResult Fetcher::perform(const FetchRequest& request, const bool* stop) {
    std::string unavailable;
    const CurlLibrary* library = curlLibrary(unavailable);
    if (!library) {
        return failure(request, unavailable);
    }
    CURL* curl = library->easyInit();
    if (!curl) {
        return failure(request, "the download library could not start");
    }
    bool haveCopy = fileExists(request.destination);
    Validators kept = haveCopy ? readValidators(request.destination) : Validators{};
    curl_slist* headers = nullptr;
    if (!kept.etag.empty()) {
        headers = library->slistAppend(headers, ("If-None-Match: " + kept.etag).c_str());
    }
    if (!kept.lastModified.empty()) {
        headers =
            library->slistAppend(headers, ("If-Modified-Since: " + kept.lastModified).c_str());
    }
    Transfer transfer;
    transfer.request = &request;
    transfer.stop = stop;
    library->easySetopt(curl, CURLOPT_NOSIGNAL, 1L);
    library->easySetopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects are followed here, one by one, so each address passes the same check.
    library->easySetopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    library->easySetopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    library->easySetopt(curl, CURLOPT_TIMEOUT, request.totalTimeoutSeconds);
    library->easySetopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBytes));
    library->easySetopt(curl, CURLOPT_HTTPHEADER, headers);
    library->easySetopt(curl, CURLOPT_WRITEFUNCTION, receiveBody);
    library->easySetopt(curl, CURLOPT_WRITEDATA, &transfer);
    library->easySetopt(curl, CURLOPT_HEADERFUNCTION, receiveHeader);
    library->easySetopt(curl, CURLOPT_HEADERDATA, &transfer);
    library->easySetopt(curl, CURLOPT_XFERINFOFUNCTION, watchStop);
    library->easySetopt(curl, CURLOPT_XFERINFODATA, &transfer);
    library->easySetopt(curl, CURLOPT_NOPROGRESS, 0L);
    library->easySetopt(curl, CURLOPT_USERAGENT, "GameWrapper-Storefront/1");

    std::string url = request.url;
    FetchResult result = failure(request, "too many redirects");
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        if (std::string refusal = urlRefusal(url); !refusal.empty()) {
            result = failure(request, refusal);
            break;
        }
        transfer.body.clear();
        transfer.tooLarge = false;
        library->easySetopt(curl, CURLOPT_URL, url.c_str());
        CURLcode code = library->easyPerform(curl);
        long status = 0;
        library->easyGetinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        if (code != CURLE_OK) {
            result =
                failure(request, transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED
                                     ? "larger than " + std::to_string(request.maxBytes) + " bytes"
                                     : library->easyStrerror(code));
            break;
        }
        if (status >= 300 && status < 400 && status != 304) {
            char* next = nullptr;
            library->easyGetinfo(curl, CURLINFO_REDIRECT_URL, &next);
            if (!next) {
                result = failure(request, "redirect " + std::to_string(status) +
                                              " without a "
                                              "Location");
                break;
            }
            url = next;
            continue;
        }
        if (status == 304 && haveCopy) {
            result = {request.tag, request.url, request.destination, FetchOutcome::NotModified, {}};
            break;
        }
        if (status != 200) {
            result = failure(request, "the server answered " + std::to_string(status));
            break;
        }
        std::string refusal = request.accept ? request.accept(transfer.body) : std::string();
        if (!refusal.empty()) {
            result = {request.tag, request.url, request.destination, FetchOutcome::Refused,
                      request.url + ": " + refusal};
            break;
        }
        std::string error;
        std::string validators;
        if (!transfer.validators.etag.empty()) {
            validators += "etag " + transfer.validators.etag + "\n";
        }
        if (!transfer.validators.lastModified.empty()) {
            validators += "last-modified " + transfer.validators.lastModified + "\n";
        }
        // The copy first: validators that outlive a failed copy would make the server answer
        // 304 for a copy we do not have. Stale validators beside a new copy only cost a
        // download.
        if (!writeFileAtomically(request.destination, transfer.body, error) ||
            !writeFileAtomically(validatorsPath(request.destination), validators, error)) {
            result = failure(request, error);
            break;
        }
        result = {request.tag, request.url, request.destination, FetchOutcome::Fetched, {}};
        break;
    }
    library->slistFreeAll(headers);
    library->easyCleanup(curl);
    return result;
}

Fetcher::Fetcher() {
    for (int worker = 0; worker < kFetchWorkers; ++worker) {
        m_workers.emplace_back([this] { run(); });
    }
}

Fetcher::~Fetcher() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.clear();
        __atomic_store_n(&m_stop, true, __ATOMIC_RELAXED);
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers) {
        worker.join();
    }
}

void Fetcher::submit(FetchRequest request) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(std::move(request));
    }
    m_wake.notify_one();
}

std::vector<FetchResult> Fetcher::takeResults() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<FetchResult> results;
    results.swap(m_results);
    return results;
}

bool Fetcher::busy() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_running > 0 || !m_queue.empty();
}

void Fetcher::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_stop) {
            return;
        }
        FetchRequest request = std::move(m_queue.front());
        m_queue.pop_front();
        ++m_running;
        lock.unlock();
        FetchResult result = perform(request, &m_stop);
        lock.lock();
        --m_running;
        if (!m_stop) {
            m_results.push_back(std::move(result));
        }
    }
}

} // namespace Storefront
