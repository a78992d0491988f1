// World positions and matrices from local poses; the pose slot operations.
#include <gtest/gtest.h>

#include <cstring>

#include "tree_fixture.h"

namespace {

void ExpectNear(const D3DXVECTOR3& v, float x, float y, float z, float eps = 1e-5f) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

void Compose(MOTIONOBJ* root) {
    Trans(root, root);
    Gousei(root, root);
}

bool SameBits(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

}  // namespace

TEST(Compose, RootAloneSitsAtItsOffset) {
    FreshDocument doc;
    doc.root()->vOffset = D3DXVECTOR3(1, 2, 3);
    Compose(doc.root());
    ExpectNear(doc.root()->vWorldPos, 1, 2, 3, 0);
    const D3DXMATRIX& w = doc.root()->mWorld;
    EXPECT_EQ(w._41, 1.0f);
    EXPECT_EQ(w._42, 2.0f);
    EXPECT_EQ(w._43, 3.0f);
    EXPECT_EQ(w._44, 1.0f);
}

TEST(Compose, ChildOffsetIsTurnedByTheParentThenMoved) {
    FreshDocument doc;
    MOTIONOBJ* root = doc.root();
    D3DXMatrixRotationZ(&root->mRot, 1.5707964f);
    root->vOffset = D3DXVECTOR3(5, 0, 0);
    MOTIONOBJ* child = AddChild(root, "c");
    child->vOffset = D3DXVECTOR3(0, 1, 0);
    MOTIONOBJ* sibling = AddChild(root, "s");
    sibling->vOffset = D3DXVECTOR3(0, 2, 0);
    Compose(root);

    ExpectNear(child->vWorldPos, 4, 0, 0);
    ExpectNear(D3DXVECTOR3(child->mWorld._41, child->mWorld._42, child->mWorld._43), 4, 0, 0);
    // Siblings compose with the common parent, not with each other.
    ExpectNear(sibling->vWorldPos, 3, 0, 0);
    ExpectNear(D3DXVECTOR3(sibling->mWorld._41, sibling->mWorld._42, sibling->mWorld._43), 3, 0, 0);
}

TEST(Compose, GrandchildPositionAgreesWithItsWorldMatrix) {
    FreshDocument doc;
    MOTIONOBJ* root = doc.root();
    D3DXMatrixRotationYawPitchRoll(&root->mRot, 0.3f, 0.2f, 0.1f);
    root->vOffset = D3DXVECTOR3(1, 0, 0);
    MOTIONOBJ* a = AddChild(root, "a");
    D3DXMatrixRotationX(&a->mRot, 0.7f);
    a->vOffset = D3DXVECTOR3(0, 2, 0);
    MOTIONOBJ* a1 = AddChild(a, "a1");
    a1->vOffset = D3DXVECTOR3(0, 0, 3);
    Compose(root);
    ExpectNear(a1->vWorldPos, a1->mWorld._41, a1->mWorld._42, a1->mWorld._43);
}

TEST(Compose, HalfTurnOfTheRootLeavesChildrenLocallyAlone) {
    FreshDocument doc;
    MOTIONOBJ* root = doc.root();
    MOTIONOBJ* arm = AddChild(root, "arm");
    arm->vOffset = D3DXVECTOR3(1, 0, 0);
    D3DXMatrixRotationX(&arm->mRot, 0.5f);
    const MOTIONOBJ before = *arm;

    YMirror(root);
    EXPECT_TRUE(SameBits(&arm->mRot, &before.mRot, sizeof arm->mRot));
    EXPECT_EQ(arm->vOffset, before.vOffset);
    Compose(root);
    ExpectNear(arm->vWorldPos, -1, 0, 0);  // the arm turns with the root

    YMirror(root);
    D3DXMATRIX id;
    D3DXMatrixIdentity(&id);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(root->mRot.m[i][j], id.m[i][j], 1e-6f);
}

TEST(Slots, SaveThenLoadRestoresThePoseBitForBit) {
    FreshDocument doc;
    MOTIONOBJ* a = AddChild(doc.root(), "a");
    D3DXMatrixRotationYawPitchRoll(&a->mRot, 0.1f, 0.2f, 0.3f);
    a->vOffset = D3DXVECTOR3(0.1f, 0.2f, 0.3f);
    const D3DXMATRIX rot = a->mRot;
    for (int slot : {0, 57, 199}) {
        No = slot;
        DataSave(doc.root(), doc.root());
        AllClear(&Cha, doc.root(), doc.root());
        DataLoad(doc.root(), doc.root());
        EXPECT_TRUE(SameBits(&a->mRot, &rot, sizeof rot)) << "slot " << slot;
        EXPECT_EQ(a->vOffset, D3DXVECTOR3(0.1f, 0.2f, 0.3f));
    }
    // Other slots and the home placement are untouched.
    EXPECT_TRUE(D3DXMatrixIsIdentity(&a->mSlotRot[1]));
    EXPECT_EQ(a->vHome, D3DXVECTOR3(0, 0, 0));
}

TEST(Slots, UnstoredSlotAndPartsAddedLaterLoadAsRest) {
    FreshDocument doc;
    MOTIONOBJ* a = AddChild(doc.root(), "a");
    a->vOffset = D3DXVECTOR3(1, 1, 1);
    No = 3;
    DataSave(doc.root(), doc.root());
    MOTIONOBJ* late = AddChild(a, "late");
    late->vOffset = D3DXVECTOR3(2, 2, 2);
    DataLoad(doc.root(), doc.root());
    EXPECT_EQ(a->vOffset, D3DXVECTOR3(1, 1, 1));
    EXPECT_EQ(late->vOffset, D3DXVECTOR3(0, 0, 0));
    EXPECT_TRUE(D3DXMatrixIsIdentity(&late->mRot));

    No = 4;
    DataLoad(doc.root(), doc.root());
    EXPECT_EQ(a->vOffset, D3DXVECTOR3(0, 0, 0));
}

TEST(Slots, ClearsReturnToTheHomePlacement) {
    FreshDocument doc;
    MOTIONOBJ* a = AddChild(doc.root(), "a");
    MOTIONOBJ* a1 = AddChild(a, "a1");
    a->vOffset = D3DXVECTOR3(1, 2, 3);
    a1->vOffset = D3DXVECTOR3(4, 5, 6);

    // Never placed: clearing puts the part at its parent's origin; children stay.
    D3DXMatrixRotationX(&a->mRot, 1.0f);
    D3DXMatrixRotationX(&a1->mRot, 1.0f);
    Cha.AnimeFrame = 0.5f;
    PartsClear(a);
    EXPECT_EQ(a->vOffset, D3DXVECTOR3(0, 0, 0));
    EXPECT_TRUE(D3DXMatrixIsIdentity(&a->mRot));
    EXPECT_EQ(a1->vOffset, D3DXVECTOR3(4, 5, 6));
    EXPECT_FALSE(D3DXMatrixIsIdentity(&a1->mRot));
    EXPECT_EQ(Cha.AnimeFrame, 0.5f);

    // Placed, then cleared: offsets stay, rotations go, the segment restarts.
    a->vOffset = D3DXVECTOR3(1, 2, 3);
    PositionSave(doc.root(), doc.root());
    AllClear(&Cha, doc.root(), doc.root());
    EXPECT_EQ(a->vOffset, D3DXVECTOR3(1, 2, 3));
    EXPECT_EQ(a1->vOffset, D3DXVECTOR3(4, 5, 6));
    EXPECT_TRUE(D3DXMatrixIsIdentity(&a1->mRot));
    EXPECT_EQ(Cha.AnimeFrame, 0.0f);
}
