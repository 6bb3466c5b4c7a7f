// The built-in classes and functions, installed into a fresh Runtime in
// this order (later ones use earlier prototypes).
#pragma once

#include "script/function_object.h"
#include "script/value.h"

#include "net/fetcher.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace script {

class Runtime;

void installObjectAndFunction(Runtime& rt);  // Object, Function, ASSetPropFlags
void installArray(Runtime& rt);
void installString(Runtime& rt);
void installNumberAndBoolean(Runtime& rt);
void installMath(Runtime& rt);
void installDate(Runtime& rt);
void installError(Runtime& rt);
void installGlobalFunctions(Runtime& rt);  // trace, parseInt, escape, setInterval, getTimer ...
void installMovieClip(Runtime& rt);        // MovieClip, Button, TextField
void installInput(Runtime& rt);            // Key, Mouse, Selection, Stage
// Stage.onResize to listeners when a noScale movie's shown size changed (each tick).
void deliverStageResize(Runtime& rt);
void installExternalInterface(Runtime& rt);
void installSystem(Runtime& rt);  // System, System.capabilities, System.security
void installSharedObject(Runtime& rt);
// Writes what the movie's shared objects hold, as the player does when the
// movie closes; failures are silent then (nobody is left to hear onStatus).
void writeSharedObjectsOnClose(Runtime& rt);
void installLoadVars(Runtime& rt);
void installMovieClipLoader(Runtime& rt);
void installXml(Runtime& rt);              // XMLNode, XML
void installXmlSocket(Runtime& rt);        // XMLSocket, refusing
void installLocalConnection(Runtime& rt);  // LocalConnection within one control
void installContextMenu(Runtime& rt);      // ContextMenu, ContextMenuItem
void installGeom(Runtime& rt);             // flash.geom
void installDrawing(Runtime& rt);          // MovieClip drawing methods
void installColor(Runtime& rt);            // Color
void installTextFormat(Runtime& rt);       // TextFormat, TextField's format methods
void installStyleSheet(Runtime& rt);       // TextField.StyleSheet (after installTextFormat)
void installTextRenderer(Runtime& rt);     // flash.text.TextRenderer
void installTextSnapshot(Runtime& rt);     // TextSnapshot, MovieClip.getTextSnapshot
void installBitmapData(Runtime& rt);       // flash.display.BitmapData, MovieClip.attachBitmap

class Object;
// The object at a dotted path from _global ("flash.geom"), made where missing.
Object* packageObject(Runtime& rt, std::u16string_view path);
// A hidden property read (and written, when `set` is given) through natives.
void defineAccessor(Runtime& rt, Object* on, std::u16string_view name, NativeFn get, NativeFn set = nullptr);
void installSound(Runtime& rt);
// Calls onSoundComplete for the Sound objects whose sounds played out (each tick).
void deliverSoundCompletions(Runtime& rt);
// A Sound's loadSound arrived (or failed): the sound is kept, then onLoad(success).
void soundLoaded(Runtime& rt, Object* sound, std::span<const uint8_t> mp3, bool success);
// Bytes of a streaming loadSound that arrived before the rest: the first start the sound.
void soundArrived(Runtime& rt, Object* sound, std::span<const uint8_t> bytes);
// A NetStream's download: bytes that came (the whole size when known, else
// 0), and its end (no error: all came).
void netStreamArrived(Object* stream, std::span<const uint8_t> bytes, uint64_t total);
void netStreamLoaded(Object* stream, std::optional<net::FetchError::Kind> failure);

// NetConnection and NetStream (local FLV files).
void installNetStream(Runtime& rt);
// Plays open NetStreams on to the clock's time and calls their handlers (each tick).
void updateNetStreams(Runtime& rt);
// Video: attachVideo of a NetStream, clear.
void installVideo(Runtime& rt);

// Argument access for native functions: undefined past the end.
[[nodiscard]] inline const Value& arg(std::span<const Value> args, size_t i) {
    static const Value UndefinedValue;
    return i < args.size() ? args[i] : UndefinedValue;
}

}  // namespace script
