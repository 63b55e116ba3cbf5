// PtrList<T>: an ordered list that owns its items. Clearing it, removing
// items through it and destroying it delete the items.
#ifndef VOSTREL_DB_PTR_LIST_H_
#define VOSTREL_DB_PTR_LIST_H_

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace db {

template <typename T>
class PtrList {
 public:
  PtrList() = default;
  PtrList(PtrList&&) noexcept = default;
  PtrList& operator=(PtrList&&) noexcept = default;
  PtrList(const PtrList&) = delete;
  PtrList& operator=(const PtrList&) = delete;
  virtual ~PtrList() = default;

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  T& operator[](std::size_t i) { return *items_[i]; }
  const T& operator[](std::size_t i) const { return *items_[i]; }
  T& back() { return *items_.back(); }

  T& append(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return *items_.back();
  }
  template <typename... Args>
  T& emplace(Args&&... args) {
    return append(std::make_unique<T>(std::forward<Args>(args)...));
  }
  T& insert(std::size_t position, std::unique_ptr<T> item) {
    return **items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(position), std::move(item));
  }
  void removeAt(std::size_t i) { items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i)); }
  // Removes (and deletes) every item i with mask[i] set.
  void removeMasked(const std::vector<bool>& mask) {
    std::size_t i = 0;
    std::erase_if(items_, [&](const std::unique_ptr<T>&) { return i < mask.size() && mask[i++]; });
  }
  template <typename Less>
  void sort(Less less) {
    std::stable_sort(items_.begin(), items_.end(),
                     [&](const std::unique_ptr<T>& a, const std::unique_ptr<T>& b) { return less(*a, *b); });
  }
  void clear() { items_.clear(); }
  void reserve(std::size_t n) { items_.reserve(n); }

  // Iteration over the items themselves.
  class Iterator {
   public:
    using Base = typename std::vector<std::unique_ptr<T>>::const_iterator;
    explicit Iterator(Base it) : it_(it) {}
    T& operator*() const { return **it_; }
    T* operator->() const { return it_->get(); }
    Iterator& operator++() { ++it_; return *this; }
    bool operator==(const Iterator& other) const { return it_ == other.it_; }
   private:
    Base it_;
  };
  Iterator begin() const { return Iterator(items_.begin()); }
  Iterator end() const { return Iterator(items_.end()); }

 private:
  std::vector<std::unique_ptr<T>> items_;
};

// A PtrList whose items derive from Property.
template <typename T>
using PropertyList = PtrList<T>;

}  // namespace db

#endif  // VOSTREL_DB_PTR_LIST_H_
