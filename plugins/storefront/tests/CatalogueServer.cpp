#include "CatalogueServer.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace StorefrontTest {

CatalogueServer::CatalogueServer(const std::string& folder) : m_folder(folder) {
    TestSupport::makeDirectories(folder);
    int channel[2];
    if (pipe(channel) != 0) {
        ADD_FAILURE() << "pipe failed";
        return;
    }
    m_pid = fork();
    if (m_pid == 0) {
        // A test program that is killed must not leave its server behind.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(channel[1], STDOUT_FILENO);
        close(channel[0]);
        close(channel[1]);
        execlp("python3", "python3", CATALOGUE_SERVER_SCRIPT, folder.c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(channel[1]);
    FILE* output = fdopen(channel[0], "r");
    if (!output || std::fscanf(output, "%d", &m_port) != 1) {
        ADD_FAILURE() << "the catalogue server did not start";
    }
    if (output) {
        std::fclose(output);
    }
}

void CatalogueServer::stop() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

std::string CatalogueServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/" + path;
}

std::string CatalogueServer::log() const {
    return TestSupport::readFile(m_folder + "/.log");
}

void CatalogueServer::setRules(const std::string& rules) {
    TestSupport::writeFile(m_folder + "/.rules", rules);
}

} // namespace StorefrontTest
