// Target paths naming movie clips, as the control's T* calls and scripts give
// them:
//   ""  "/"                         the root
//   "/a/b"  "a/b"  "../a"  "/a/../b"   slash form, absolute or relative to base
//   "_root.a.b"  "_level0.a"  "a.b"  "_parent.a"  "this.a"   dot form
// In both forms "_root" and "_level0" (only at the start) name the root,
// ".." and "_parent" the parent clip, "." and "this" the clip itself. Other
// levels ("_level1") do not exist. A name matches a child movie clip of that
// instance name (the lowest depth if several; other kinds of object are not
// targets), compared without ASCII case for movies up to version 6 and
// exactly from version 7 on. A trailing "/" is allowed; an empty component
// in the middle, or a parent above the root, does not resolve.
#pragma once

#include <string_view>

namespace model {

class MovieClip;

// The clip, or nullptr when the path does not resolve. A path not starting at
// the root is taken relative to `base` (the root when base is null).
[[nodiscard]] MovieClip* resolveTarget(MovieClip& root, MovieClip* base, std::string_view path, bool caseSensitive);

}  // namespace model
