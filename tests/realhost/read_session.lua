-- Loads a saved session with ardour7-lua and prints the parameters of the Lumdel
-- instance on its first track as Ardour restored them from the session file.
-- Environment: RH_SESSION_DIR, RH_SESSION_NAME, RH_RATE; RH_SAVE=1 saves the session
-- again afterwards (Ardour asks the plug-in for its state anew).
local dir = os.getenv("RH_SESSION_DIR")
local name = os.getenv("RH_SESSION_NAME")
local rate = tonumber(os.getenv("RH_RATE") or "48000")

assert(AudioEngine:set_backend("None (Dummy)", "", ""), "no dummy backend")
AudioEngine:set_sample_rate(rate)
local s = load_session(dir, name)
assert(s, "could not load the session")

local found = false
for route in Session:get_tracks():iter() do
  local i = 0
  while true do
    local proc = route:nth_plugin(i)
    if proc:isnil() then break end
    local plugin = proc:to_insert():plugin(0)
    if plugin:name() == "Lumdel" then
      found = true
      for p = 0, plugin:parameter_count() - 1 do
        print(string.format("PARAM %d %.6f", p, ARDOUR.LuaAPI.get_processor_param(proc, p, true)))
      end
    end
    i = i + 1
  end
end
print(found and "FOUND" or "MISSING")
if os.getenv("RH_SAVE") == "1" then
  Session:save_state("", false, false, false, false, false)
  print("SAVED")
end
close_session()
