// The tests' web server (catalogue_server.py) in a process of its own on 127.0.0.1, serving a
// folder; stopped (and waited for) when the object goes away.
#pragma once

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <string>

namespace StorefrontTest {

class CatalogueServer {
public:
    explicit CatalogueServer(const std::string& folder) : m_folder(folder) {
        TestSupport::makeDirectories(folder);
        // exec: the shell becomes the server, so the pid it prints is the one pclose waits for.
        std::string command = "exec python3 '" CATALOGUE_SERVER_SCRIPT "' '" + folder + "'";
        m_output = popen(command.c_str(), "r");
        if (!m_output || std::fscanf(m_output, "%d %d", &m_port, &m_pid) != 2) {
            ADD_FAILURE() << "the catalogue server did not start";
        }
    }
    ~CatalogueServer() { stop(); }
    CatalogueServer(const CatalogueServer&) = delete;
    CatalogueServer& operator=(const CatalogueServer&) = delete;

    void stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            m_pid = 0;
        }
        if (m_output) {
            pclose(m_output);
            m_output = nullptr;
        }
    }
    // http://127.0.0.1:<port>/<path>
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + "/" + path;
    }
    // The requests answered so far, one "GET /path STATUS" line each.
    std::string log() const { return TestSupport::readFile(m_folder + "/.log"); }
    // Replaces the folder's .rules (see catalogue_server.py).
    void setRules(const std::string& rules) { TestSupport::writeFile(m_folder + "/.rules", rules); }

private:
    std::string m_folder;
    std::FILE* m_output = nullptr;
    pid_t m_pid = 0;
    int m_port = 0;
};

} // namespace StorefrontTest
