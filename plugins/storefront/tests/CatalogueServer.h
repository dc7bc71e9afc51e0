// The tests' web server (catalogue_server.py) in a process of its own on 127.0.0.1, serving a
// folder; stopped (and waited for) when the object goes away.
#pragma once

#include <sys/types.h>

#include <string>

namespace StorefrontTest {

class CatalogueServer {
public:
    explicit CatalogueServer(const std::string& folder);
    ~CatalogueServer() { stop(); }
    CatalogueServer(const CatalogueServer&) = delete;
    CatalogueServer& operator=(const CatalogueServer&) = delete;

    void stop();
    // http://127.0.0.1:<port>/<path>
    std::string url(const std::string& path) const;
    int port() const { return m_port; }
    // The requests answered so far, one "GET /path STATUS" line each.
    std::string log() const;
    // Replaces the folder's .rules (see catalogue_server.py).
    void setRules(const std::string& rules);

private:
    std::string m_folder;
    pid_t m_pid = -1;
    int m_port = 0;
};

} // namespace StorefrontTest
