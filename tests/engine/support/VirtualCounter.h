// A small class hierarchy for the method-hook tests. It lives in a file of
// its own with external linkage so the compiler cannot see every overrider
// and turn the virtual calls into direct ones.
#pragma once

class TCounter {
 public:
  virtual ~TCounter();
  virtual int Value() const;
  virtual int Scaled(int factor) const;
};

class TOtherCounter : public TCounter {
 public:
  int Value() const override;
};

// Calls through the method table.
int CallValue(const TCounter& counter);
int CallScaled(const TCounter& counter, int factor);
