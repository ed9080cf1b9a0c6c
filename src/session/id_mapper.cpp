#include "session/id_mapper.h"

#include "app/data_stream.h"

void TRawIdMapper::WriteId(TDataStream& stream, int32_t id) { stream.WriteInt(static_cast<uint32_t>(id)); }

int32_t TRawIdMapper::ReadId(TDataStream& stream) { return static_cast<int32_t>(stream.ReadInt()); }
