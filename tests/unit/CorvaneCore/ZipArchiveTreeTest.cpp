#include "CorvaneCore/File.h"
#include "CorvaneCore/ZipArchive.h"
#include "CorvaneCore/ZipArchiveTree.h"
#include "TestSupport.h"
#include "ZipTestHelpers.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace ZipTest;

namespace {

struct Counted {
    explicit Counted(int* destroyed) : m_pDestroyed(destroyed) {}
    ~Counted() { ++*m_pDestroyed; }
    int* m_pDestroyed;
};

std::string mountable(TestSupport::TempDir const& dir, char const* file,
                      std::vector<Member> const& members) {
    std::string path = dir / file;
    TestSupport::writeFile(path, buildArchive(members));
    return path;
}

} // namespace

TEST(ArrayPOD, GrowsRemovesAndReturnsItsStorageToThePools) {
    CMemoryPool& pool16 = CMemoryPoolArray::Instance()->GetPool(4);
    CMemoryPool& pool32 = CMemoryPoolArray::Instance()->GetPool(8);
    unsigned const in16 = pool16.GetPiecesInUse();
    unsigned const in32 = pool32.GetPiecesInUse();
    {
        CArrayPOD<int> array;
        EXPECT_EQ(array.GetSize(), 0u);
        EXPECT_EQ(array.m_pItems, nullptr);
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(array.Add(i * 10));
        }
        EXPECT_EQ(pool16.GetPiecesInUse(), in16 + 1);
        ASSERT_TRUE(array.Add(40));
        EXPECT_EQ(array.m_NumAllocated, 8u);
        EXPECT_EQ(pool16.GetPiecesInUse(), in16);
        EXPECT_EQ(pool32.GetPiecesInUse(), in32 + 1);

        array.RemoveByIndex(1);
        array.RemoveByIndex(9);
        ASSERT_EQ(array.GetSize(), 4u);
        EXPECT_EQ(array[0], 0);
        EXPECT_EQ(array[1], 20);
        EXPECT_EQ(array[3], 40);
        array.RemoveByIndex(3);
        EXPECT_EQ(array.GetSize(), 3u);
    }
    EXPECT_EQ(pool32.GetPiecesInUse(), in32);

    int destroyed = 0;
    CArrayPOD<Counted*> owners;
    ASSERT_TRUE(owners.Add(new Counted(&destroyed)));
    ASSERT_TRUE(owners.Add(nullptr));
    ASSERT_TRUE(owners.Add(new Counted(&destroyed)));
    owners.DestroyByIndex(1);
    EXPECT_EQ(destroyed, 0);
    owners.DestroyByIndex(0);
    EXPECT_EQ(destroyed, 1);
    owners.DestroyByIndex(5);
    ASSERT_EQ(owners.GetSize(), 1u);
    owners.DestroyByIndex(0);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(owners.GetSize(), 0u);
}

TEST(ZipArchiveTree, DeepestArchiveOnThePathAnswers) {
    TestSupport::TempDir dir;
    CZipArchiveTree tree;
    EXPECT_EQ(tree.OpenAFileWithinArchive("a/b/c.png", CFILE_READ), nullptr);

    CDirectoryNode* root = tree.AddRoot();
    ASSERT_NE(root, nullptr);
    CDirectoryNode* a = root->AddSubDirectory("a", 1);
    CDirectoryNode* b = a->AddSubDirectory("b", 1);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(root->AddSubDirectory("A", 1), a);
    EXPECT_EQ(root->AddSubDirectory("x/y", 3), nullptr);
    EXPECT_EQ(root->AddSubDirectory("", 0), nullptr);
    ASSERT_TRUE(b->MountZipArchive(mountable(dir, "b.zip", {{"x/c.png", "deep"}}).c_str(), 0));
    EXPECT_FALSE(a->MountZipArchive((dir / "missing.zip").c_str(), 0));
    EXPECT_EQ(a->m_pZipArchive, nullptr);

    CJString path;
    b->GetFullPathName(&path);
    EXPECT_STREQ(path.GetCharPtr(), "a/b");
    root->GetFullPathName(&path);
    EXPECT_STREQ(path.GetCharPtr(), "");
    EXPECT_STREQ(b->m_pZipArchive->GetPrefix(), "a/b/");

    EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath("a/b/", root), b);
    EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath("A/B/", root), b);
    EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath("a/b/x/", root), b);
    EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath("a/", root), nullptr);
    EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath("a\\b\\", root), nullptr);
    EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath("a/b", root), b);
    EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath("a//b/", root), nullptr);
    EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath("a/b/", nullptr), nullptr);

    ASSERT_TRUE(
        root->MountZipArchive(mountable(dir, "root.zip", {{"a/top.txt", "top"}}).c_str(), 0));
    EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath("a/", root), root);
    EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath("/a/b/", root), root);
    EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath("", root), root);
    EXPECT_EQ(tree.FindZipArchiveContainingPath("A/B/X/c.png", root), b->m_pZipArchive);
    EXPECT_EQ(tree.FindZipArchiveContainingPath("a/top.txt", root), root->m_pZipArchive);

    EXPECT_EQ(memberText(tree, "A/b/X/C.PNG", CFILE_READ), "deep");
    EXPECT_EQ(memberText(tree, "a/top.txt", CFILE_READ), "top");
    // The deepest archive of a root is the only one asked in that root.
    EXPECT_EQ(tree.OpenAFileWithinArchive("a/b/top.txt", CFILE_READ), nullptr);
}

TEST(ZipArchiveTree, LaterRootsComeFirst) {
    TestSupport::TempDir dir;
    CZipArchiveTree tree;
    CDirectoryNode* first = tree.AddRoot();
    ASSERT_TRUE(first->MountZipArchive(
        mountable(dir, "1.zip", {{"shared.txt", "first"}, {"only1.txt", "one"}}).c_str(), 0));
    CDirectoryNode* second = tree.AddRoot();
    ASSERT_TRUE(
        second->MountZipArchive(mountable(dir, "2.zip", {{"shared.txt", "second"}}).c_str(), 0));

    EXPECT_EQ(memberText(tree, "shared.txt", CFILE_READ), "second");
    EXPECT_EQ(memberText(tree, "only1.txt", CFILE_READ), "one");
    EXPECT_EQ(tree.OpenAFileWithinArchive("neither.txt", CFILE_READ), nullptr);
}

// The archive;member and archive-tree branches of the stream factory.
class ZipThroughNewOpen : public ::testing::Test {
protected:
    void SetUp() override {
        std::memcpy(m_savedDataDir, pDataDir, sizeof m_savedDataDir);
        ASSERT_LT((m_dir / "disk").size(), sizeof pDataDir);
        std::strcpy(pDataDir, (m_dir / "disk").c_str());
        m_savedUsingZipFile = UsingZipFile;
        UsingZipFile = true;
    }
    void TearDown() override {
        UsingZipFile = m_savedUsingZipFile;
        std::memcpy(pDataDir, m_savedDataDir, sizeof m_savedDataDir);
        CZipArchiveTree* tree = CZipArchiveTree::GetpZipArchiveTree();
        while (tree->GetSize() > m_rootsBefore) {
            tree->DestroyByIndex(tree->GetSize() - 1);
        }
    }

    TestSupport::TempDir m_dir;
    unsigned m_rootsBefore = CZipArchiveTree::GetpZipArchiveTree()->GetSize();
    char m_savedDataDir[sizeof pDataDir];
    bool m_savedUsingZipFile = false;
};

TEST_F(ZipThroughNewOpen, ArchiveMembersServePlainNames) {
    TestSupport::writeFile(m_dir / "disk/art/logo.png", "from disk");
    CDirectoryNode* root = CZipArchiveTree::GetpZipArchiveTree()->AddRoot();
    CDirectoryNode* art = root->AddSubDirectory("art", 3);
    ASSERT_TRUE(art->MountZipArchive(
        mountable(m_dir, "art.zip", {{"logo.png", "from archive"}, {"only.png", "archived"}})
            .c_str(),
        0));

    auto contentOf = [](char const* name, unsigned mode) {
        CFile file;
        if (!file.Open(name, mode)) {
            return std::string("<not opened>");
        }
        std::string content(file.GetLength(), '\0');
        content.resize(file.Read(content.data(), static_cast<unsigned>(content.size())));
        return content;
    };
    // The disk comes before unmarked members, marked members before the disk.
    EXPECT_EQ(contentOf("art/logo.png", CFILE_READ), "from disk");
    EXPECT_EQ(contentOf("art/only.png", CFILE_READ), "archived");
    EXPECT_EQ(contentOf("art/only.png", CFILE_READ | CFILE_NAME_AS_GIVEN), "<not opened>");
    art->m_pZipArchive->GetCorrectFileEntry("art/logo.png", nullptr)->m_bMarked = true;
    EXPECT_EQ(contentOf("ART/LOGO.PNG", CFILE_READ), "from archive");
    EXPECT_EQ(contentOf("art/logo.png", CFILE_READ | CFILE_NO_DISK_FILE), "from archive");
    EXPECT_EQ(contentOf("art/missing.png", CFILE_READ), "<not opened>");
}
