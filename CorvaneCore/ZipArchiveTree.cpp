#include "CorvaneCore/ZipArchiveTree.h"

#include "CorvaneCore/FileUtils.h"
#include "CorvaneCore/TextHelpers.h"
#include "CorvaneCore/ZipArchive.h"

#include <cstring>
#include <string>

CDirectoryNode::CDirectoryNode(CDirectoryNode* parent, char const* name, unsigned length)
    : m_pParent(parent), m_Name(name, length) {}

CDirectoryNode::~CDirectoryNode() {
    while (m_SubDirectories.GetSize() > 0) {
        m_SubDirectories.DestroyByIndex(m_SubDirectories.GetSize() - 1);
    }
    delete m_pZipArchive;
}

CDirectoryNode* CDirectoryNode::GetSubDirectory(char const* name, unsigned length) {
    if (!name || length == 0) {
        return nullptr;
    }
    for (unsigned i = 0; i < m_SubDirectories.GetSize(); ++i) {
        CDirectoryNode* child = m_SubDirectories[i];
        if (child->m_Name.GetLen() == length &&
            Cstrnicmp(child->m_Name.GetCharPtr(), name, length) == 0) {
            return child;
        }
    }
    return nullptr;
}

void CDirectoryNode::GetFullPathName(CJString* path) {
    if (!path) {
        return;
    }
    std::string full = m_Name.GetCharPtr();
    for (CDirectoryNode* node = m_pParent; node && !node->m_Name.IsEmpty();
         node = node->m_pParent) {
        full = std::string(node->m_Name.GetCharPtr()) + "/" + full;
    }
    path->Set(full.c_str());
}

CDirectoryNode* CDirectoryNode::AddSubDirectory(char const* name, unsigned length) {
    if (!name || length == 0 || std::memchr(name, '/', length) || std::memchr(name, '\\', length) ||
        std::memchr(name, '\0', length)) {
        return nullptr;
    }
    if (CDirectoryNode* existing = GetSubDirectory(name, length)) {
        return existing;
    }
    auto* child = new CDirectoryNode(this, name, length);
    if (!m_SubDirectories.Add(child)) {
        delete child;
        return nullptr;
    }
    return child;
}

bool CDirectoryNode::MountZipArchive(char const* archivePath, unsigned openFlags) {
    CJString path;
    GetFullPathName(&path);
    std::string prefix = path.GetCharPtr();
    if (!prefix.empty()) {
        prefix += '/';
    }
    // Read at once: a damaged archive is refused here instead of stopping the program at the
    // first lookup that reaches it.
    auto* archive = new CZipArchive;
    if (!archive->OpenArchive(archivePath, 0, prefix.c_str(), false, openFlags)) {
        delete archive;
        return false;
    }
    delete m_pZipArchive;
    m_pZipArchive = archive;
    return true;
}

CZipArchiveTree* CZipArchiveTree::GetpZipArchiveTree() {
    static CZipArchiveTree s_Tree;
    return &s_Tree;
}

CZipArchiveTree::~CZipArchiveTree() {
    while (GetSize() > 0) {
        DestroyByIndex(GetSize() - 1);
    }
}

CDirectoryNode* CZipArchiveTree::AddRoot() {
    auto* root = new CDirectoryNode;
    if (!Add(root)) {
        delete root;
        return nullptr;
    }
    return root;
}

CFileBuf* CZipArchiveTree::OpenAFileWithinArchive(char const* name, unsigned mode) {
    for (unsigned i = GetSize(); i-- > 0;) {
        if (CZipArchive* archive = FindZipArchiveContainingPath(name, (*this)[i])) {
            if (CFileBuf* stream = archive->OpenAFileWithinArchive(name, mode)) {
                return stream;
            }
        }
    }
    return nullptr;
}

CZipArchive* CZipArchiveTree::FindZipArchiveContainingPath(char const* path, CDirectoryNode* root) {
    if (!path) {
        return nullptr;
    }
    std::string folder(path);
    StripFileNameFromPathName(folder.data());
    CDirectoryNode* node = FindLastNodeContainingArchiveForPath(folder.c_str(), root);
    return node ? node->m_pZipArchive : nullptr;
}

CDirectoryNode* CZipArchiveTree::FindLastNodeContainingArchiveForPath(char const* folderPath,
                                                                      CDirectoryNode* root) const {
    if (!root) {
        return nullptr;
    }
    CDirectoryNode* candidate = root->m_pZipArchive ? root : nullptr;
    if (!folderPath || !*folderPath || *folderPath == '/') {
        return candidate;
    }
    CDirectoryNode* node = root;
    char const* component = folderPath;
    while (*component) {
        char const* slash = std::strchr(component, '/');
        std::size_t length =
            slash ? static_cast<std::size_t>(slash - component) : std::strlen(component);
        node = node->GetSubDirectory(component, static_cast<unsigned>(length));
        if (!node) {
            break;
        }
        if (node->m_pZipArchive) {
            candidate = node;
        }
        component += length;
        if (*component == '/') {
            ++component;
        }
    }
    return candidate;
}
