-- Builds a session with one stereo track carrying Lumdel, for ardour7-lua.
-- Environment: RH_SESSION_DIR, RH_SESSION_NAME, RH_RATE.
-- Prints "KEY value" lines that run.sh checks.
local dir = os.getenv("RH_SESSION_DIR")
local name = os.getenv("RH_SESSION_NAME")
local rate = tonumber(os.getenv("RH_RATE") or "48000")

assert(AudioEngine:set_backend("None (Dummy)", "", ""), "no dummy backend")
AudioEngine:set_sample_rate(rate)
local s = create_session(dir, name, rate)
assert(s, "could not create the session")

-- What Ardour's scanner found on LXVST_PATH.
for pi in ARDOUR.LuaAPI.list_plugins():iter() do
  if pi.type == ARDOUR.PluginType.LXVST then
    print(string.format("SCANNED name=%s id=%s", pi.name, pi.unique_id))
  end
end

local tracks = Session:new_audio_track(2, 2, nil, 1, "Impulse",
  ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
assert(tracks:size() == 1, "no track")
local track = tracks:front()

local proc = ARDOUR.LuaAPI.new_plugin(Session, "Lumdel", ARDOUR.PluginType.LXVST, "")
assert(not proc:isnil(), "Lumdel could not be instantiated")
assert(track:add_processor_by_index(proc, 0, nil, true) == 0, "could not insert Lumdel")

local insert = proc:to_insert()
local plugin = insert:plugin(0)
print(string.format("PLUGIN name=%s label=%s maker=%s", plugin:name(), plugin:label(),
  plugin:maker()))
print(string.format("IO in=%d out=%d", insert:natural_input_streams():n_audio(),
  insert:natural_output_streams():n_audio()))
print(string.format("PARAMS %d", plugin:parameter_count()))

-- Report every parameter as the plug-in holds it now.
for i = 0, plugin:parameter_count() - 1 do
  print(string.format("PARAM %d %.6f", i, ARDOUR.LuaAPI.get_processor_param(proc, i, true)))
end

Session:save_state("", false, false, false, false, false)
close_session()
print("SAVED")
