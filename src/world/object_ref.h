// References to game objects by id. Objects are deleted and re-created from
// records when a turn is replayed; a reference that knows its list finds the
// current object with its id again, so orders, events and selections survive.
#pragma once

#include <cstdint>

class TGameObject;
class TObjectList;

class TIdHolder {
 public:
  explicit TIdHolder(int32_t id = -1) : id_(id) {}
  virtual ~TIdHolder() = default;

  virtual bool IsValid() const = 0;
  virtual void ResetId() { id_ = -1; }
  virtual int32_t GetId() const { return id_; }

 protected:
  TIdHolder(const TIdHolder&) = default;
  TIdHolder& operator=(const TIdHolder&) = default;
  void SetStoredId(int32_t id) { id_ = id; }
  int32_t StoredId() const { return id_; }

 private:
  int32_t id_;
};

class TObjectRef : public TIdHolder {
 public:
  // No object.
  TObjectRef();
  // That object itself, wherever it lives.
  explicit TObjectRef(TGameObject* object);
  // The object with the id in the list, looked up on every resolve.
  TObjectRef(int32_t id, TObjectList* owner);
  TObjectRef(const TObjectRef& other);
  TObjectRef& operator=(const TObjectRef& other);
  ~TObjectRef() override;

  bool IsValid() const override;
  // No object; the owner stays.
  virtual void Reset();
  // The cached object's id when there is one, else the stored id.
  int32_t GetId() const override;

  void Assign(const TObjectRef& other);
  // Looks the id up in the list from now on.
  void SetOwner(TObjectList* owner);
  TObjectList* GetOwner() const { return owner_; }

  // The cached object, or the owner's object with the id (not cached, so a
  // re-spawned object is found); null when there is none.
  TGameObject* Resolve() const;
  // Resolve, then null unless the object is a unit ("Combatant").
  TGameObject* ResolveCombatant() const;
  // Resolve, then null unless the object is a "Projectile".
  TGameObject* ResolveProjectile() const;

 private:
  TGameObject* cache_ = nullptr;
  TObjectList* owner_ = nullptr;
};
