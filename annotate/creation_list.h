// The creation list: the ObjectIDs of the entities the writers add while recording is switched
// on. Only the base-line build switches it on; "a-b反転" deletes the listed entities to rebuild
// its triangle. Every other drawing command empties it and switches it off.
#pragma once

#include <cstdint>
#include <vector>

namespace trivane::annotate {

struct CreationList {
  std::vector<std::int64_t> CreatedObjectIds;
  bool RecordCreatedObjects = false;
  // The newest entity a writer added, recorded or not (0 before the first).
  std::int64_t LastLogged = 0;

  // Called by every writer for each entity it has just created and updated.
  void Log(std::int64_t objectId) {
    LastLogged = objectId;
    if (RecordCreatedObjects)
      CreatedObjectIds.push_back(objectId);
  }
};

}  // namespace trivane::annotate
