// The process's one loader. It lives in the same file as its accessor so that
// linking the accessor always brings the object (and its static
// initialisation) along.
#include "movie_loader.h"

namespace {

moviehost::CMovieLoader g_loader;

}  // namespace

IMovieLoader* GetMovieLoader() { return &g_loader; }
