#pragma once
// Saving as the front ends do: with the file's edit turn taken first.
#include "config/config_store.h"
#include "config/config_store_steps.h"

namespace qv::test {

inline SaveResult SaveInTurnWith(const SaveSteps& steps, const ConfigLocation& location,
                                 const ConfigDocument& doc) {
  ConfigEditTurn turn;
  if (!turn.Take(location, kScriptTurnWaitMs)) return {};
  return SaveConfigWith(steps, turn, doc);
}

inline SaveResult SaveInTurn(const ConfigLocation& location, const ConfigDocument& doc) {
  return SaveInTurnWith(SaveSteps::Platform(), location, doc);
}

}  // namespace qv::test
