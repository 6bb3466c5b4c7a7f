// The DLL's one loader. A DLL's static objects are built while Windows holds
// its loader lock, where loading the control library is not safe; this one
// is built by the first call instead, on the thread that then owns it.
#include "movie_loader.h"

IMovieLoader* GetMovieLoader() {
    static moviehost::CMovieLoader loader;
    return &loader;
}
