// Downloads for the storefront, on a few worker threads of its own, so that a frame never
// waits on the network and one slow answer does not hold up the others. The main thread submits
// requests and collects results; it only ever takes a lock that the worker holds for a queue
// operation, never across a transfer.
//
// Every transfer: https, or plain http to this machine only (checked again at each redirect,
// at most kMaxRedirects of them); a connect timeout and a total timeout; a size limit. A kept
// copy is revalidated with the validators its server sent (If-None-Match / If-Modified-Since),
// and a new copy replaces it only whole and only once the request's check accepts it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace Storefront {

inline constexpr int kMaxRedirects = 3;
inline constexpr int kFetchWorkers = 3;
inline constexpr long kConnectTimeoutSeconds = 10;

struct FetchRequest {
    int tag = 0; // the caller's own, handed back with the result
    std::string url;
    std::string destination; // full path of the kept copy
    std::size_t maxBytes = 0;
    long totalTimeoutSeconds = 30;
    // Runs on the worker with a complete download before it replaces the kept copy: why the
    // bytes are refused, or empty to keep them. Not set: every complete download is kept.
    std::function<std::string(const std::string& bytes)> accept;
};

enum class FetchOutcome {
    Fetched,     // a new copy is in place
    NotModified, // the server confirmed the kept copy
    Failed,      // no answer, an error answer, a cut-short or oversized download
    Refused,     // a whole download that the request's check refused
};

struct FetchResult {
    int tag = 0;
    std::string url;
    std::string destination;
    FetchOutcome outcome = FetchOutcome::Failed;
    std::string message; // why, for Failed and Refused
};

class Fetcher {
public:
    Fetcher();
    // Abandons what is queued, cuts the running transfers short and waits for the workers.
    ~Fetcher();
    Fetcher(const Fetcher&) = delete;
    Fetcher& operator=(const Fetcher&) = delete;

    void submit(FetchRequest request);
    std::vector<FetchResult> takeResults();
    // True while a request is queued or running.
    bool busy() const;

    // One transfer on the calling thread, as the worker runs it. `stop` is checked while it
    // runs; when it turns true the transfer ends as Failed.
    static FetchResult perform(const FetchRequest& request, const bool* stop = nullptr);

private:
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<FetchRequest> m_queue;
    std::vector<FetchResult> m_results;
    int m_running = 0;
    bool m_stop = false;
    std::vector<std::thread> m_workers;
};

} // namespace Storefront
