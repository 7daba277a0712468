#include "engine/ExceptionLogThreadBlock.h"

#include <windows.h>

#include <new>

namespace {

// Every block made, so that the engine's end frees those of threads that
// are still running. Pushed without a lock and never unlinked while the
// engine runs: the block of an ended thread is marked free and taken again
// by the next thread that needs one.
struct TBlockNode {
  TThreadBlock Block;
  TBlockNode* Next = nullptr;
  volatile long Freed = 0;
};

DWORD slot = TLS_OUT_OF_INDEXES;
TBlockNode* volatile blocks = nullptr;

TBlockNode* NodeOf(TThreadBlock* block) {
  return reinterpret_cast<TBlockNode*>(block);  // Block is the node's first member
}

}  // namespace

bool CreateThreadBlocks() noexcept {
  if (slot == TLS_OUT_OF_INDEXES) slot = TlsAlloc();
  return slot != TLS_OUT_OF_INDEXES;
}

TThreadBlock* ExistingThreadBlock() noexcept {
  if (slot == TLS_OUT_OF_INDEXES) return nullptr;
  return static_cast<TThreadBlock*>(TlsGetValue(slot));
}

TThreadBlock* CurrentThreadBlock() noexcept {
  if (slot == TLS_OUT_OF_INDEXES) return nullptr;
  const DWORD lastError = GetLastError();  // callers keep the thread's error code
  auto* block = static_cast<TThreadBlock*>(TlsGetValue(slot));
  // A block a thread left behind when it ended serves the next thread.
  for (TBlockNode* node = blocks; !block && node; node = node->Next) {
    if (InterlockedCompareExchange(&node->Freed, 0, 1) == 1) {
      node->Block = TThreadBlock();
      block = &node->Block;
      TlsSetValue(slot, block);
    }
  }
  if (!block) {
    void* memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(TBlockNode));
    if (memory) {
      auto* node = new (memory) TBlockNode();
      TBlockNode* head;
      do {
        head = blocks;
        node->Next = head;
      } while (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&blocks), node,
                                                 head) != head);
      block = &node->Block;
      TlsSetValue(slot, block);
    }
  }
  SetLastError(lastError);
  return block;
}

void FreeCurrentThreadBlock() noexcept {
  if (TThreadBlock* block = ExistingThreadBlock()) {
    InterlockedExchange(&NodeOf(block)->Freed, 1);
    TlsSetValue(slot, nullptr);
  }
}

void FreeThreadBlocks() noexcept {
  TBlockNode* node = static_cast<TBlockNode*>(
      InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&blocks), nullptr));
  while (node) {
    TBlockNode* next = node->Next;
    node->~TBlockNode();
    HeapFree(GetProcessHeap(), 0, node);
    node = next;
  }
  if (slot != TLS_OUT_OF_INDEXES) TlsFree(slot);
  slot = TLS_OUT_OF_INDEXES;
}

TRaiseProcessing::TRaiseProcessing(TThreadBlock* block) noexcept
    : block_(block), entered_(block && InterlockedExchange(&block->RaiseProcessing, 1) == 0) {}

TRaiseProcessing::~TRaiseProcessing() {
  if (entered_) InterlockedExchange(&block_->RaiseProcessing, 0);
}
