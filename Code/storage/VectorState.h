#pragma once

/// Keeps the add-in's own vector code (the SSE scans that find quotes and
/// fields in the set file) at full speed. Some library code, Qt's
/// string hashing among it, returns with the upper halves of the CPU's AVX
/// registers still in use; until they are cleared, every SSE instruction
/// that follows waits on them, which made reading the set file two to three
/// times slower after a name had been hashed. The readers settle the state
/// before their loops and after each call out of them.
namespace VectorState {
/// Clears the upper halves of the AVX registers where the CPU has them; does
/// nothing elsewhere. Costs about as much as a function call.
void settle();
} // namespace VectorState
