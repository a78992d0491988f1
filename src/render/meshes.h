// Part meshes: loading, drawing and releasing a part's X file, its bounding
// volumes and its marker sphere.
//
// A part holds three mesh records: Mesh (drawn), EdgeMesh (a second load of
// the same file, made into the outline hull by CreateShadow) and Sphere (the
// marker at its origin). Whether a record holds a mesh is always tested on
// lpMesh.
#pragma once

#include <QString>

#include "files/modfile.h"
#include "model/motion.h"
#include "platform/d3dx_mesh.h"

// Loads the X file at `path` (file-system encoding) into an empty record:
// every material's ambient colour becomes its diffuse colour, and each
// texture it names is looked up relative to the current directory (a texture
// that cannot be loaded leaves a null entry). Returns the loader's code; on
// failure the record stays empty and *why (when given) says why.
HRESULT LoadMesh(XFILE* x, const char* path, QString* why = nullptr);
// Frees materials, textures and the mesh; an empty record is left alone.
void ReleaseMesh(XFILE* x);
// Every subset with its material and texture, in order.
void DrawMesh(XFILE* x);

// Gives the part the X file chosen in FullFileName: both loads, the stored
// relative path in XName, bounding volumes, marker and outline hull. A file
// that cannot be read leaves the part without a mesh (XName empty) and tells
// the user which file and why; a path that cannot be stored in a choreography
// file changes nothing and says so.
void XFileLoad(MOTIONOBJ* part);
// Takes the part's X file away and resets its rotation.
void XFileDelete(MOTIONOBJ* part);
// Bounding sphere and box of Mesh (one pass over one lock) and a new marker
// sphere of radius 0.1 with its material.
HRESULT InitBBox(IDirect3DDevice9* device, MOTIONOBJ* part);

// What a choreography file's reader plugs into ModLoadView: the part's XName
// relative to the start directory, released and loaded twice, bounds, marker
// and hull. An empty XName only releases. A missing file gives MeshMissing, a
// file that cannot be read MeshUnreadable with the reason in *why; either way
// the part is left without a mesh.
ModLoadView::MeshResult LoadPartMeshes(MOTIONOBJ* part, QString* why);
// Frees all three mesh records of a part (before the part itself is freed).
void ReleasePartMeshes(MOTIONOBJ* part);

// The path from directory `fromDir` to file `toFile` (both file-system
// encoding) as choreography files store it: CP932, backslashes, ".\" for a
// file at or below the directory, one "..\" per level climbed otherwise.
// False when it has no CP932 form or does not fit the 255-byte field.
bool StoredRelativePath(const char* fromDir, const char* toFile, std::string* out);
