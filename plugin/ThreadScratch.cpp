#include "ThreadScratch.h"

#include <cstddef>
#include <mutex>
#include <new>

#if defined(_WIN32)
#include <windows.h>
#include <winternl.h>
#else
#include <pthread.h>
#endif

namespace qv {
namespace {

// Guards the list of every thread's scratch; taken only when a thread makes
// or frees its own and at unload, never per candidate.
std::mutex g_listLock;
ThreadScratch* g_list = nullptr;

void Link(ThreadScratch* s) {
  std::lock_guard<std::mutex> hold(g_listLock);
  s->next = g_list;
  if (g_list) g_list->prev = s;
  g_list = s;
}

void Unlink(ThreadScratch* s) {
  std::lock_guard<std::mutex> hold(g_listLock);
  if (s->prev) s->prev->next = s->next;
  else g_list = s->next;
  if (s->next) s->next->prev = s->prev;
}

}  // namespace

namespace scratch {
#if defined(_WIN32)
DWORD g_slot = TLS_OUT_OF_INDEXES;
static_assert(offsetof(TEB, TlsSlots) == kTlsSlotsOffset, "Mine() reads the slots where the TEB holds them");
#else
__thread ThreadScratch* t_mine = nullptr;
#endif
}  // namespace scratch

namespace {

// Called on the thread that owns the scratch.
void FreeScratch(void* p) {
  auto* s = static_cast<ThreadScratch*>(p);
  if (!s) return;
#if !defined(_WIN32)
  if (scratch::t_mine == s) scratch::t_mine = nullptr;
#endif
  Unlink(s);
  delete s;
}

#if defined(_WIN32)
using scratch::g_slot;
bool HaveSlot() { return g_slot != TLS_OUT_OF_INDEXES; }
void* SlotValue() { return TlsGetValue(g_slot); }
bool SetSlotValue(void* p) { return TlsSetValue(g_slot, p) != FALSE; }
bool TakeSlot() {
  g_slot = TlsAlloc();
  return HaveSlot();
}
// TlsFree clears the slot in every thread, so a later load that is given
// the same slot finds it empty.
void ReturnSlot() {
  TlsFree(g_slot);
  g_slot = TLS_OUT_OF_INDEXES;
}
#else
pthread_key_t g_key;
bool g_haveKey = false;
bool HaveSlot() { return g_haveKey; }
void* SlotValue() { return pthread_getspecific(g_key); }
bool SetSlotValue(void* p) {
  if (pthread_setspecific(g_key, p) != 0) return false;
  scratch::t_mine = static_cast<ThreadScratch*>(p);
  return true;
}
// A thread that ends frees its scratch through the key's destructor.
bool TakeSlot() {
  g_haveKey = pthread_key_create(&g_key, FreeScratch) == 0;
  return g_haveKey;
}
// A deleted key runs no destructor, and a key made later with the same
// number reads as empty in every thread.
void ReturnSlot() {
  pthread_key_delete(g_key);
  g_haveKey = false;
  scratch::t_mine = nullptr;
}
#endif

}  // namespace

bool StartThreadScratch() { return HaveSlot() || TakeSlot(); }

void EndThreadScratch() {
  if (!HaveSlot()) return;
  ReturnSlot();
  // Nobody holds the lock at unload, unless the process is ending and a
  // thread was stopped inside it: then the memory goes with the process.
  std::unique_lock<std::mutex> hold(g_listLock, std::try_to_lock);
  if (!hold.owns_lock()) return;
  while (g_list) {
    ThreadScratch* s = g_list;
    g_list = s->next;
    delete s;
  }
}

ThreadScratch* scratch::Make() {
  if (!HaveSlot()) return nullptr;
  if (void* p = SlotValue()) return static_cast<ThreadScratch*>(p);  // a slot beyond the first 64
  auto* s = new (std::nothrow) ThreadScratch();
  if (!s) return nullptr;
  if (!SetSlotValue(s)) {
    delete s;
    return nullptr;
  }
  Link(s);
  return s;
}

void ReleaseCurrentScratch() {
  if (!HaveSlot()) return;
  void* p = SlotValue();
  if (!p) return;
  SetSlotValue(nullptr);
  FreeScratch(p);
}

}  // namespace qv
