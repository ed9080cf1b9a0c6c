// Deployment squares: the map squares on which a player may place units
// before the battle starts. The deployment screen and the computer player ask
// the world's list whether a point lies on a player's square and where the
// middle of a player's deployment zone is. Streams after 2.03 no longer carry
// the squares: the zones then come with the map's areas.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "world/game_object.h"
#include "world/object_list.h"
#include "world/object_record.h"

class DeployTile : public TGameObject {
 public:
  static constexpr std::string_view kTypeName = "DeployTile";
  static std::string_view StaticTypeName() { return kTypeName; }
  // Within this distance of its centre a point lies on the 1 x 1 square
  // (its half-diagonal is 0.7071).
  static constexpr float kCoverDistance = 0.7072f;
  // The squares lie under everything else on the map.
  static constexpr float kVisualDepth = -9000.0f;

  // The square of the player at the position, drawn by the interface
  // visual "DeployTile" + the player's number.
  DeployTile(const TVector3& position, int32_t owner);
  ~DeployTile() override;

  std::string_view TypeName() const override { return kTypeName; }
  void Update(float time) override;
  std::unique_ptr<TGameObjectRecord> MakeRecord() const override;
  // A square cannot be hurt.
  bool TakeDamage(float amount) override;
  bool IsDestroyed() const override { return removed_ != 0; }
  // Nobody sights a square.
  float GetVisibility() const override { return 0.0f; }

  // Only the owner's squares cover a point for a player.
  bool Covers(const TVector3& point, int32_t player) const;

  int32_t GetOwner() const { return owner_; }
  bool IsRemoved() const { return removed_ != 0; }
  // A removed square is taken out of the world with the destroyed objects.
  void SetRemoved(bool removed) { removed_ = removed ? 1 : 0; }
  TVisual* GetTileVisual() const { return visual_; }

 private:
  TVisual* visual_ = nullptr;
  int32_t owner_;
  uint8_t removed_ = 0;
};

class DeployTileRecord : public TGameObjectRecord {
 public:
  explicit DeployTileRecord(const DeployTile& tile);
  // Fields after the type index.
  explicit DeployTileRecord(TDataStream& stream);

  // The reader registered for "DeployTile": null when the record does not read.
  static std::unique_ptr<TGameObjectRecord> Read(TDataStream& stream, const TStringList& nameTable);

  std::unique_ptr<TGameObject> Spawn(const TGameData& gameData, TObjectList& list) const override;
  std::string_view TypeName() const override { return DeployTile::kTypeName; }
  std::unique_ptr<TGameObjectRecord> Clone() const override;
  bool Save(TDataStream& stream, TIdMapper& idWriter, TStringList& nameTable) const override;

  int32_t GetOwner() const { return owner_; }
  bool IsRemoved() const { return removed_ != 0; }

 private:
  int32_t owner_ = 0;
  uint8_t removed_ = 0;
};

class TDeployTileList : public TObjectList {
 public:
  // The last stream version that holds the squares.
  static constexpr float kLastVersionWithTiles = 2.0301f;

  std::string_view ElementTypeName() const override { return DeployTile::kTypeName; }

  // Writes the squares only into streams up to version 2.03; later streams
  // hold nothing for them.
  bool Save(TDataStream& stream, TStringList& nameTable) const override;
  // Reads the squares of a stream up to version 2.03; a later stream holds
  // none, so the list is only emptied.
  bool Load(TDataStream& stream, const TGameData& gameData, const TStringList& nameTable) override;

  // Some square of the player covers the point.
  bool AnyCovers(const TVector3& point, int32_t player) const;
  // The centre (x and y) of the smallest box around the player's squares;
  // (0, 0, 0) when the player has none.
  void ZoneCentre(TVector3& out, int32_t player) const;
};

// Registers the "DeployTile" record reader with the record factory.
void RegisterDeployTileRecordReader();
