#include "Processes/ProcessVisibility.h"

namespace MacPlatform {

namespace {

const ProcessWindowOperations* g_operations = nullptr;
bool g_visible = true;

} // namespace

void registerProcessWindowOperations(const ProcessWindowOperations* operations) {
    g_operations = operations;
}

const ProcessWindowOperations* processWindowOperations() {
    return g_operations;
}

bool currentProcessVisible() {
    return g_visible;
}

void setCurrentProcessVisible(bool visible) {
    g_visible = visible;
}

} // namespace MacPlatform
