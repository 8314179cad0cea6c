#pragma once

// zerak._custom: users' own transforms.
namespace zerak::py {

// Creates zerak._custom (in sys.modules) with WindowApply, which zerak
// re-exports, and lets snapshots hold user transforms; false with the error
// set.
bool add_custom_module();

}  // namespace zerak::py
