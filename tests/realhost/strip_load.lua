-- Builds a session with Lumdel on a stereo track, puts the automation lane of every
-- plug-in parameter in Write mode, then steps to the next preset in Lumdel's preset strip
-- as a user would (through the preloaded strip_click library, which answers
-- os.getenv("LUMDEL_STRIP_NEXT")). A lane in Write mode records what the plug-in reports
-- to Ardour, so it shows whether the load reached Ardour's controls.
-- Environment: RH_SESSION_DIR, RH_SESSION_NAME, RH_RATE. Prints "KEY ..." lines:
--   BEFORE i value              the plug-in's values before the load
--   STRIP answer                what the click did
--   AFTER i value lane points   the value Ardour's generic control reads, the value its
--                               lane holds and how many points the lane has
local dir = os.getenv("RH_SESSION_DIR")
local name = os.getenv("RH_SESSION_NAME")
local rate = tonumber(os.getenv("RH_RATE") or "48000")

assert(AudioEngine:set_backend("None (Dummy)", "", ""), "no dummy backend")
AudioEngine:set_sample_rate(rate)
assert(create_session(dir, name, rate), "could not create the session")

local tracks = Session:new_audio_track(2, 2, nil, 1, "Strip",
  ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
assert(tracks:size() == 1, "no track")
local proc = ARDOUR.LuaAPI.new_plugin(Session, "Lumdel", ARDOUR.PluginType.LXVST, "")
assert(not proc:isnil(), "Lumdel could not be instantiated")
assert(tracks:front():add_processor_by_index(proc, 0, nil, true) == 0, "could not insert Lumdel")

local insert = proc:to_insert()
local count = insert:plugin(0):parameter_count()
local lanes = {}
for i = 0, count - 1 do
  local param = Evoral.Parameter(ARDOUR.AutomationType.PluginAutomation, 0, i)
  lanes[i] = insert:to_automatable():automation_control(param, false)
  lanes[i]:set_automation_state(ARDOUR.AutoState.Write)
  print(string.format("BEFORE %d %.6f", i, ARDOUR.LuaAPI.get_processor_param(proc, i, true)))
end

print("STRIP " .. tostring(os.getenv("LUMDEL_STRIP_NEXT")))

for i = 0, count - 1 do
  local list = lanes[i]:alist()
  local points = list:events():size()
  local lane = points > 0 and list:eval(Temporal.timepos_t(0)) or -1
  print(string.format("AFTER %d %.6f %.6f %d", i, ARDOUR.LuaAPI.get_processor_param(proc, i, true),
    lane, points))
end
close_session()
