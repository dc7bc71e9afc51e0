// The archive tree: folder paths mapped to mounted zip archives, so that a plain file name such
// as a/b/c.png can be served from an archive mounted at a/b instead of the disk. CFileBuf::NewOpen
// asks it only while UsingZipFile is on.
#pragma once

#include "CorvaneCore/ArrayPOD.h"
#include "CorvaneCore/CJString.h"

class CFileBuf;
class CZipArchive;

class CDirectoryNode {
public:
    // A root has no parent and an empty name.
    CDirectoryNode() = default;
    CDirectoryNode(CDirectoryNode* parent, char const* name, unsigned length);
    ~CDirectoryNode();
    CDirectoryNode(CDirectoryNode const&) = delete;
    CDirectoryNode& operator=(CDirectoryNode const&) = delete;

    // The first child whose name is the first length characters of name, ignoring ASCII case.
    CDirectoryNode* GetSubDirectory(char const* name, unsigned length);
    // The names from the root's child down to this node, joined with '/'; empty for a root.
    void GetFullPathName(CJString* path);

    // Mounting. The child of that name (an existing one, or a new one), or null for an empty
    // name or one that contains a separator.
    CDirectoryNode* AddSubDirectory(char const* name, unsigned length);
    // Reads the archive now and mounts it here (replacing what was mounted), with this node's
    // path and a '/' as prefix, so that its members answer to their full names. False, with
    // nothing changed, when the archive cannot be read.
    bool MountZipArchive(char const* archivePath, unsigned openFlags);

    CDirectoryNode* m_pParent = nullptr;
    CJString m_Name;
    CArrayPOD<CDirectoryNode*> m_SubDirectories;
    CZipArchive* m_pZipArchive = nullptr;
};

class CZipArchiveTree : public CArrayPOD<CDirectoryNode*> {
public:
    // The one tree of the program, made on first use and destroyed at exit. (Tests make their
    // own trees.)
    static CZipArchiveTree* GetpZipArchiveTree();

    CZipArchiveTree() = default;
    ~CZipArchiveTree();

    // A new, empty root; roots added later take precedence. Null when the tree cannot grow.
    CDirectoryNode* AddRoot();

    // Tries the roots from the last to the first; in each, the archive of the deepest folder
    // on the name's path that has one.
    CFileBuf* OpenAFileWithinArchive(char const* name, unsigned mode);
    CZipArchive* FindZipArchiveContainingPath(char const* path, CDirectoryNode* root);
    // Only '/' separates the components of folderPath.
    CDirectoryNode* FindLastNodeContainingArchiveForPath(char const* folderPath,
                                                         CDirectoryNode* root) const;
};
