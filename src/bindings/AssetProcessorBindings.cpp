// The script face of engine::AssetProcessor.
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "engine/assets/AssetProcessor.h"

QUILL_SCRIPT_CLASS(engine::AssetProcessor, "AssetProcessor")

namespace {

using engine::AssetProcessor;

const bind::EnumEntry AssetTypes[] = {
    {"Model", AssetProcessor::Model},
    {"Animation", AssetProcessor::Animation},
    {"Texture", AssetProcessor::Texture},
    {nullptr, 0},
};

AssetProcessor* self(lua_State* L) {
    return bind::check<AssetProcessor>(L, 1);
}

// The registry holds its processors by counted references, so a handle
// shares their count like any other.
int find(lua_State* L) {
    auto type = static_cast<AssetProcessor::AssetType>(bind::checkEnum(L, 1, AssetTypes));
    std::string name = bind::checkString(L, 2);
    bind::push(L, &engine::findAssetProcessor(type, name));
    return 1;
}

int processFile(lua_State* L) {
    AssetProcessor* processor = self(L);
    processor->processFile(bind::checkString(L, 2));
    return 0;
}

int getFileExtension(lua_State* L) {
    bind::pushString(L, self(L)->getFileExtension());
    return 1;
}

int getNativeFileExtension(lua_State* L) {
    bind::pushString(L, self(L)->getNativeFileExtension());
    return 1;
}

int getNativeFile(lua_State* L) {
    AssetProcessor* processor = self(L);
    bind::pushString(L, processor->nativeFileName(bind::checkString(L, 2)));
    return 1;
}

} // namespace

void registerAssetProcessor(lua_State* L) {
    using bind::guarded;
    bind::registerClass<AssetProcessor>(L, nullptr,
                                        {
                                            {"find", guarded<find>},
                                            {"processFile", guarded<processFile>},
                                            {"getFileExtension", getFileExtension},
                                            {"getNativeFileExtension", getNativeFileExtension},
                                            {"getNativeFile", getNativeFile},
                                        });
}
