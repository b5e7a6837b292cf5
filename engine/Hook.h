#pragma once
// A bound call: a plain function plus the object it acts on. Unset hooks are skipped
// by their callers; binding one never allocates, so hooks may be called on the audio thread.
template <class Sig> struct THook;

template <class R, class... A> struct THook<R(A...)> {
  using Fn = R (*)(void* ctx, A...);
  Fn fn = nullptr;
  void* ctx = nullptr;

  void Bind(Fn f, void* c) { fn = f; ctx = c; }
  void Unbind() { fn = nullptr; ctx = nullptr; }
  explicit operator bool() const { return fn != nullptr; }
  R operator()(A... a) const { return fn(ctx, a...); }
};
