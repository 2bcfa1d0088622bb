// FluidSynth, loaded when a sound is first needed rather than with the
// program: its library draws in some forty others (sound servers, codecs,
// SDL), whose loading and memory the start of every session would pay.
// The engine calls the library's functions by their own names; these
// definitions stand in for them and hand each call to the library once it
// is loaded. Without the library every call fails as FluidSynth's own
// would (no settings, no synthesizer, no driver): the music cannot be
// played and the engine's silent clock keeps time.
#include <fluidsynth.h>

#include <dlfcn.h>

namespace {

// Kept for the life of the process: the engine's threads may call into it
// until they end.
void* Bibliotheque() {
    static void* const poignee = dlopen("libfluidsynth.so.3", RTLD_NOW | RTLD_LOCAL);
    return poignee;
}

template <typename F> F Symbole(const char* nom) {
    void* bibliotheque = Bibliotheque();
    return bibliotheque == nullptr ? nullptr : reinterpret_cast<F>(dlsym(bibliotheque, nom));
}

} // namespace

// The library's function of the same name, resolved once.
#define QCM_FLUIDSYNTH(nom) static const auto f = Symbole<decltype(&::nom)>(#nom)

extern "C" {

fluid_log_function_t fluid_set_log_function(int level, fluid_log_function_t fun, void* data) {
    QCM_FLUIDSYNTH(fluid_set_log_function);
    return f != nullptr ? f(level, fun, data) : nullptr;
}

fluid_settings_t* new_fluid_settings() {
    QCM_FLUIDSYNTH(new_fluid_settings);
    return f != nullptr ? f() : nullptr;
}

void delete_fluid_settings(fluid_settings_t* settings) {
    QCM_FLUIDSYNTH(delete_fluid_settings);
    if (f != nullptr) {
        f(settings);
    }
}

int fluid_settings_setnum(fluid_settings_t* settings, const char* name, double val) {
    QCM_FLUIDSYNTH(fluid_settings_setnum);
    return f != nullptr ? f(settings, name, val) : FLUID_FAILED;
}

int fluid_settings_setstr(fluid_settings_t* settings, const char* name, const char* str) {
    QCM_FLUIDSYNTH(fluid_settings_setstr);
    return f != nullptr ? f(settings, name, str) : FLUID_FAILED;
}

int fluid_settings_setint(fluid_settings_t* settings, const char* name, int val) {
    QCM_FLUIDSYNTH(fluid_settings_setint);
    return f != nullptr ? f(settings, name, val) : FLUID_FAILED;
}

fluid_synth_t* new_fluid_synth(fluid_settings_t* settings) {
    QCM_FLUIDSYNTH(new_fluid_synth);
    return f != nullptr ? f(settings) : nullptr;
}

void delete_fluid_synth(fluid_synth_t* synth) {
    QCM_FLUIDSYNTH(delete_fluid_synth);
    if (f != nullptr) {
        f(synth);
    }
}

int fluid_synth_sfload(fluid_synth_t* synth, const char* filename, int reset_presets) {
    QCM_FLUIDSYNTH(fluid_synth_sfload);
    return f != nullptr ? f(synth, filename, reset_presets) : FLUID_FAILED;
}

int fluid_synth_all_notes_off(fluid_synth_t* synth, int chan) {
    QCM_FLUIDSYNTH(fluid_synth_all_notes_off);
    return f != nullptr ? f(synth, chan) : FLUID_FAILED;
}

int fluid_synth_all_sounds_off(fluid_synth_t* synth, int chan) {
    QCM_FLUIDSYNTH(fluid_synth_all_sounds_off);
    return f != nullptr ? f(synth, chan) : FLUID_FAILED;
}

int fluid_synth_write_float(fluid_synth_t* synth, int len, void* lout, int loff, int lincr,
                            void* rout, int roff, int rincr) {
    QCM_FLUIDSYNTH(fluid_synth_write_float);
    return f != nullptr ? f(synth, len, lout, loff, lincr, rout, roff, rincr) : FLUID_FAILED;
}

fluid_player_t* new_fluid_player(fluid_synth_t* synth) {
    QCM_FLUIDSYNTH(new_fluid_player);
    return f != nullptr ? f(synth) : nullptr;
}

void delete_fluid_player(fluid_player_t* player) {
    QCM_FLUIDSYNTH(delete_fluid_player);
    if (f != nullptr) {
        f(player);
    }
}

int fluid_player_add_mem(fluid_player_t* player, const void* buffer, size_t len) {
    QCM_FLUIDSYNTH(fluid_player_add_mem);
    return f != nullptr ? f(player, buffer, len) : FLUID_FAILED;
}

int fluid_player_play(fluid_player_t* player) {
    QCM_FLUIDSYNTH(fluid_player_play);
    return f != nullptr ? f(player) : FLUID_FAILED;
}

int fluid_player_stop(fluid_player_t* player) {
    QCM_FLUIDSYNTH(fluid_player_stop);
    return f != nullptr ? f(player) : FLUID_FAILED;
}

int fluid_player_seek(fluid_player_t* player, int ticks) {
    QCM_FLUIDSYNTH(fluid_player_seek);
    return f != nullptr ? f(player, ticks) : FLUID_FAILED;
}

int fluid_player_get_status(fluid_player_t* player) {
    QCM_FLUIDSYNTH(fluid_player_get_status);
    return f != nullptr ? f(player) : FLUID_PLAYER_DONE;
}

int fluid_player_get_current_tick(fluid_player_t* player) {
    QCM_FLUIDSYNTH(fluid_player_get_current_tick);
    return f != nullptr ? f(player) : FLUID_FAILED;
}

int fluid_player_get_total_ticks(fluid_player_t* player) {
    QCM_FLUIDSYNTH(fluid_player_get_total_ticks);
    return f != nullptr ? f(player) : FLUID_FAILED;
}

fluid_audio_driver_t* new_fluid_audio_driver2(fluid_settings_t* settings, fluid_audio_func_t func,
                                              void* data) {
    QCM_FLUIDSYNTH(new_fluid_audio_driver2);
    return f != nullptr ? f(settings, func, data) : nullptr;
}

void delete_fluid_audio_driver(fluid_audio_driver_t* driver) {
    QCM_FLUIDSYNTH(delete_fluid_audio_driver);
    if (f != nullptr) {
        f(driver);
    }
}

} // extern "C"
