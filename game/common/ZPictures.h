#pragma once
// Pictures that several screens share. A layout imported for a screen that is not shown yet
// names its pictures without loading them (they load with that screen); another screen that
// finds such a picture by name gets it unloaded and would draw a black square. These load what
// they hand out.
class ZNode;
class ZTextureResource;

// Starts loading a picture that is neither loaded nor on its way (null is allowed).
void LoadPicture(ZTextureResource* texture);
// Every sprite picture under `root` (the root included), loading.
void LoadPictures(ZNode* root);
