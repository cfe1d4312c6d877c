#pragma once

#include "modeldata/model.h"

#include <pugixml.hpp>
#include <unordered_set>

namespace quorvane {

// The readers of one import, each given the document's COLLADA element. They
// run in this order: skins create the bones that scene nodes find by sid,
// and animations resolve their bones by the ids the scene nodes wrote.
void ReadImages(CModel& model, pugi::xml_node collada);
void ReadMaterials(CModel& model, pugi::xml_node collada);
void ReadGeometries(CModel& model, pugi::xml_node collada);
// Table bones whose joint was listed by node id (an IDREF_array) rather than
// by sid; scene nodes take them over by id.
using CJointsById = std::unordered_set<const CBone*>;

void ReadSkinControllers(CModel& model, pugi::xml_node collada, CJointsById& jointsById);
void ReadSceneNodes(CModel& model, pugi::xml_node collada, const CJointsById& jointsById);
void ReadMaterialBindings(CModel& model, pugi::xml_node collada);
void ReadAnimations(CModel& model, pugi::xml_node collada);

} // namespace quorvane
