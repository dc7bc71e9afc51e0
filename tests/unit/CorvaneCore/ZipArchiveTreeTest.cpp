#include "CorvaneCore/File.h"
#include "CorvaneCore/ZipArchive.h"
#include "CorvaneCore/ZipArchiveTree.h"
#include "TestSupport.h"
#include "ZipTestHelpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace ZipTest;

namespace {

struct Counted {
    explicit Counted(int* destroyed) : m_pDestroyed(destroyed) {}
    ~Counted() { ++*m_pDestroyed; }
    int* m_pDestroyed;
};

} // namespace

// Random adds and removals against a std::vector; the storage goes back to the pools.
TEST(ArrayPOD, MatchesAVectorAndReturnsItsStorageToThePools) {
    std::mt19937 random(1234);
    auto piecesInUse = [] {
        std::vector<unsigned> inUse;
        for (unsigned pool = 0; pool < 16; ++pool) {
            inUse.push_back(CMemoryPoolArray::Instance()->GetPool(pool).GetPiecesInUse());
        }
        return inUse;
    };
    std::vector<unsigned> const before = piecesInUse();
    {
        CArrayPOD<int> array;
        std::vector<int> model;
        for (int step = 0; step < 2000; ++step) {
            unsigned const index = random() % (model.size() + 2);
            if (random() % 3) {
                ASSERT_TRUE(array.Add(step));
                model.push_back(step);
            } else {
                array.RemoveByIndex(index);
                if (index < model.size()) {
                    model.erase(model.begin() + index);
                }
            }
            ASSERT_EQ(std::vector<int>(array.m_pItems, array.m_pItems + array.GetSize()), model);
        }
    }
    EXPECT_EQ(piecesInUse(), before);
    int destroyed = 0;
    CArrayPOD<Counted*> owners;
    ASSERT_TRUE(owners.Add(new Counted(&destroyed)));
    ASSERT_TRUE(owners.Add(nullptr));
    owners.DestroyByIndex(1);
    owners.DestroyByIndex(5);
    owners.DestroyByIndex(0);
    EXPECT_EQ(destroyed, 1);
}

TEST(ZipArchiveTree, DeepestArchiveOnThePathAnswersAndLaterRootsComeFirst) {
    TestSupport::TempDir dir;
    CZipArchiveTree tree;
    EXPECT_EQ(tree.OpenAFileWithinArchive("a/b/c.png", CFILE_READ), nullptr);

    CDirectoryNode* root = tree.AddRoot();
    CDirectoryNode* a = root->AddSubDirectory("a", 1);
    CDirectoryNode* b = a->AddSubDirectory("b", 1);
    EXPECT_EQ(root->AddSubDirectory("A", 1), a);
    EXPECT_EQ(root->AddSubDirectory("x/y", 3), nullptr);
    EXPECT_EQ(root->AddSubDirectory("", 0), nullptr);
    ASSERT_TRUE(b->MountZipArchive(writeArchive(dir / "b.zip", {{"x/c.png", "deep"}}).c_str(), 0));
    EXPECT_FALSE(a->MountZipArchive((dir / "missing.zip").c_str(), 0));
    EXPECT_STREQ(b->m_pZipArchive->GetPrefix(), "a/b/");
    using Lookup = std::pair<char const*, CDirectoryNode*>;
    for (auto [path, node] :
         {Lookup{"a/b/", b}, Lookup{"A/B/", b}, Lookup{"a/b/x/", b}, Lookup{"a/", nullptr},
          Lookup{"a\\b\\", nullptr}, Lookup{"a/b", b}, Lookup{"a//b/", nullptr}}) {
        EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath(path, root), node) << path;
    }

    ASSERT_TRUE(
        root->MountZipArchive(writeArchive(dir / "root.zip", {{"a/top.txt", "top"}}).c_str(), 0));
    EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath("a/", root), root);
    EXPECT_EQ(tree.FindLastNodeContainingArchiveForPath("/a/b/", root), root);

    EXPECT_EQ(memberText(tree, "A/b/X/C.PNG", CFILE_READ), "deep");
    EXPECT_EQ(memberText(tree, "a/top.txt", CFILE_READ), "top");
    // The deepest archive of a root is the only one asked in that root.
    EXPECT_EQ(tree.OpenAFileWithinArchive("a/b/top.txt", CFILE_READ), nullptr);
    // Later roots come first.
    ASSERT_TRUE(tree.AddRoot()->MountZipArchive(
        writeArchive(dir / "later.zip", {{"a/top.txt", "later"}}).c_str(), 0));
    EXPECT_EQ(memberText(tree, "a/top.txt", CFILE_READ), "later");
    EXPECT_EQ(memberText(tree, "A/b/X/C.PNG", CFILE_READ), "deep");
    EXPECT_EQ(tree.OpenAFileWithinArchive("neither.txt", CFILE_READ), nullptr);
}
