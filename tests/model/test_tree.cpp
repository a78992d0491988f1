// Creating parts, the walk order and freeing the tree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tree_fixture.h"

namespace {

bool IsIdentity(const D3DXMATRIX& m) { return D3DXMatrixIsIdentity(&m); }

std::vector<std::string> WalkNames(MOTIONOBJ* root) {
    std::vector<std::string> names;
    for (MOTIONOBJ* p = root; p; p = NextInWalk(p, root)) names.push_back(p->Name);
    return names;
}

}  // namespace

TEST(Tree, StartsWithTheSelectedRootAlone) {
    FreshDocument doc;
    MOTIONOBJ* r = doc.root();
    EXPECT_STREQ(r->Name, "\x91\x53\x90\x67");  // 全身
    EXPECT_EQ(pGet, r);
    EXPECT_EQ(r->pParent, nullptr);
    EXPECT_EQ(r->pChild, nullptr);
    EXPECT_EQ(r->pNext, nullptr);
    EXPECT_EQ(Cha.Loop, 1);
    EXPECT_EQ(Cha.Playing, 0);
    for (int i = 0; i < kSlotCount; ++i) EXPECT_EQ(Cha.Speed[i], 0.05f);
}

TEST(Tree, NewPartIsFreshAndAttachedAsTheRequestSays) {
    FreshDocument doc;
    MOTIONOBJ* a = AddChild(doc.root(), "A");
    Cha.Speed[7] = 0.3f;
    a->vOffset = D3DXVECTOR3(1, 2, 3);

    // NextIsSibling 0: first child of the part itself.
    OBJInit(a, "A1");
    MOTIONOBJ* a1 = a->pChild;
    EXPECT_EQ(a1->pParent, a);
    // NextIsSibling 1: next sibling, sharing the part's parent.
    a->NextIsSibling = 1;
    OBJInit(a, "B");
    a->NextIsSibling = 0;
    MOTIONOBJ* b = a->pNext;
    EXPECT_EQ(b->pParent, doc.root());

    for (MOTIONOBJ* p : {a1, b}) {
        EXPECT_TRUE(IsIdentity(p->mRot));
        EXPECT_TRUE(IsIdentity(p->mWorld));
        EXPECT_EQ(p->vOffset, D3DXVECTOR3(0, 0, 0));
        EXPECT_EQ(p->vHome, D3DXVECTOR3(0, 0, 0));
        EXPECT_EQ(p->vWorldPos, D3DXVECTOR3(0, 0, 0));
        for (int i = 0; i < kSlotCount; ++i) {
            EXPECT_TRUE(IsIdentity(p->mSlotRot[i]));
            EXPECT_EQ(p->vSlotOffset[i], D3DXVECTOR3(0, 0, 0));
        }
        EXPECT_EQ(p->Mesh.lpMesh, nullptr);
        EXPECT_EQ(p->XName[0], '\0');
        EXPECT_EQ(p->NextIsSibling, 0);
    }
    EXPECT_EQ(Cha.Speed[7], 0.3f);  // creating parts leaves the speeds alone
}

TEST(Tree, NamesKeepAtMost254Bytes) {
    FreshDocument doc;
    const std::string longName(300, 'x');
    MOTIONOBJ* p = AddChild(doc.root(), longName.c_str());
    EXPECT_EQ(std::string(p->Name), longName.substr(0, 254));
}

TEST(Tree, WalkIsPreOrderWithTheParentHandedOn) {
    FreshDocument doc;
    MOTIONOBJ* a = AddChild(doc.root(), "A");
    AddChild(a, "A1");
    AddChild(a, "A2");
    AddChild(doc.root(), "B");
    EXPECT_EQ(WalkNames(doc.root()), (std::vector<std::string>{"\x91\x53\x90\x67", "A", "A1", "A2", "B"}));
    EXPECT_EQ(CountParts(doc.root()), 5);
    EXPECT_EQ(TreeDepth(doc.root()), 3);

    // Composition sees the same order and parents: A1 and A2 under A, B under the root.
    a->vOffset = D3DXVECTOR3(10, 0, 0);
    Trans(doc.root(), doc.root());
    EXPECT_EQ(a->pChild->vWorldPos.x, 10.0f);
    EXPECT_EQ(a->pChild->pNext->vWorldPos.x, 10.0f);
    EXPECT_EQ(a->pNext->vWorldPos.x, 0.0f);
}

// Wide and deep trees: every walk loops over siblings and recurses only on
// children, and freeing never recurses at all.
TEST(Tree, WideAndDeepTreesAreWalkedAndFreedWithoutExhaustingTheStack) {
    FreshDocument doc;
    MOTIONOBJ* last = nullptr;
    OBJInit(doc.root(), "fan");
    last = doc.root()->pChild;
    for (int i = 1; i < 100000; ++i) {
        last->NextIsSibling = 1;
        OBJInit(last, "fan");
        last->NextIsSibling = 0;
        last = last->pNext;
    }
    MOTIONOBJ* deep = doc.root()->pChild;
    for (int i = 0; i < 1023; ++i) deep = AddChild(deep, "chain");
    No = 5;
    Trans(doc.root(), doc.root());
    Gousei(doc.root(), doc.root());
    DataSave(doc.root(), doc.root());
    AllClear(&Cha, doc.root(), doc.root());
    EXPECT_EQ(CountParts(doc.root()), 1 + 100000 + 1023);
    EXPECT_EQ(TreeDepth(doc.root()), 1 + 1 + 1023);

    int released = 0;
    FreeChildren(doc.root(), [](MOTIONOBJ*, void* n) { ++*static_cast<int*>(n); }, &released);
    EXPECT_EQ(released, 100000 + 1023);
    EXPECT_EQ(doc.root()->pChild, nullptr);
}
