#pragma once

namespace vantrel {

// One object per process, made by the first acquire and destroyed by the last release: for the
// hidden handler windows that every instance of a component shares. GUI thread only.
template <class T>
class ProcessShared {
  public:
    static T& acquire() {
        if (!instance_)
            instance_ = new T;
        ++instance_->refs_;
        return *instance_;
    }
    static void release() {
        if (instance_ && --instance_->refs_ == 0) {
            delete instance_;
            instance_ = nullptr;
        }
    }
    static T* instance() noexcept { return instance_; }

  protected:
    ProcessShared() = default;
    ~ProcessShared() = default;
    static inline T* instance_ = nullptr;

  private:
    int refs_ = 0;
};

}  // namespace vantrel
