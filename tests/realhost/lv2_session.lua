-- Builds a session with one stereo track carrying the Lumdel LV2 plug-in, for
-- ardour7-lua; with RH_PRESET, that preset is chosen from Ardour's list of the
-- plug-in's LV2 presets. Environment: RH_SESSION_DIR, RH_SESSION_NAME, RH_RATE,
-- RH_PRESET (a preset's label, optional). Prints "KEY value" lines the script checks.
local dir = os.getenv("RH_SESSION_DIR")
local name = os.getenv("RH_SESSION_NAME")
local rate = tonumber(os.getenv("RH_RATE") or "48000")
local preset = os.getenv("RH_PRESET") or ""

assert(AudioEngine:set_backend("None (Dummy)", "", ""), "no dummy backend")
AudioEngine:set_sample_rate(rate)
assert(create_session(dir, name, rate), "could not create the session")

for pi in ARDOUR.LuaAPI.list_plugins():iter() do
  if pi.type == ARDOUR.PluginType.LV2 and pi.unique_id == "urn:orvtone:lumdel" then
    print(string.format("SCANNED name=%s uri=%s", pi.name, pi.unique_id))
  end
end

local tracks = Session:new_audio_track(2, 2, nil, 1, "Impulse",
  ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
assert(tracks:size() == 1, "no track")
local proc = ARDOUR.LuaAPI.new_plugin(Session, "urn:orvtone:lumdel", ARDOUR.PluginType.LV2, "")
assert(not proc:isnil(), "Lumdel (LV2) could not be instantiated")
assert(tracks:front():add_processor_by_index(proc, 0, nil, true) == 0, "could not insert it")
local insert = proc:to_insert()
local plugin = insert:plugin(0)
print(string.format("PLUGIN name=%s maker=%s", plugin:name(), plugin:maker()))
print(string.format("IO in=%d out=%d", insert:natural_input_streams():n_audio(),
  insert:natural_output_streams():n_audio()))

if preset ~= "" then
  local record = plugin:preset_by_label(preset)
  assert(record, "no preset '" .. preset .. "' in Ardour's list")
  print(string.format("PRESET %s %s", record.uri, tostring(plugin:load_preset(record))))
end
for p = 0, 59 do
  print(string.format("PARAM %d %.6f", p, ARDOUR.LuaAPI.get_processor_param(proc, p, true)))
end
Session:save_state("", false, false, false, false, false)
close_session()
print("SAVED")
