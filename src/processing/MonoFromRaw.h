#pragma once

namespace kor {

class Program;

// The colour-matrix position a single-filter image keeps: 1 top left ("R"),
// 2 top right ("G"), 3 bottom left ("G"), 4 bottom right ("B").
inline constexpr int kFirstMatrixPosition = 1;
inline constexpr int kLastMatrixPosition = 4;

enum class MonoFromRawResult { Built, NotRawFullFrame };

// Whether "Create Mono Image from Raw" may run on the current image: only raw
// full-frame colour-matrix frames. Shows the refusal when it may not.
bool checkMonoFromRaw(Program& program);

// Keeps the pixels behind one matrix position and overwrites the other three
// of every cell with averages of their kept neighbours. The image stays
// monochrome.
MonoFromRawResult createMonoFromRaw(Program& program, int position);

} // namespace kor
