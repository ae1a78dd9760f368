-- One step of the Ardour check (run by ardour7-lua; arguments: SESSION_DIR SESSION_NAME
-- OUT_DIR STEP [FORMAT], FORMAT being "vst" for the Linux VST2 module, the default, or
-- "vst3" for the VST3 bundle). Ardour's Lua session can corrupt its heap after a few exports, so each
-- run does one thing and the shell script retries a step that died. Every finding is a
-- "RESULT key value" line; "RESULT done STEP" comes last.
--   record  two seconds of the Dummy backend's generator on a stereo track; Ruckstone
--           added, its parameters and programs listed, "Hard guitar" loaded; saved
--   dry     the take exported with the plug-in deactivated
--   hard    the take exported through the plug-in
--   amount  Amount set to 20 % (0.2 normalised), saved, exported
--   reload  the saved session reloaded (the plug-in's state restored), exported
local dir, name, out, step, format = arg[1], arg[2], arg[3], arg[4], arg[5] or "vst"
local plugin_type = format == "vst3" and ARDOUR.PluginType.VST3 or ARDOUR.PluginType.LXVST
local preset = "5e1c0a3e-7d52-4c3b-9a59-2f0b7c6e1d02"

local backend = AudioEngine:set_backend("None (Dummy)", "", "")
backend:set_device_name(step == "record" and "Sine Sweep" or "Silence")
backend:set_sample_rate(48000)
AudioEngine:start(false)
local s = load_session(dir, name)
assert(s, "no session")

local function take(track)
  local region = nil
  for r in track:playlist():region_list():iter() do region = region or r end
  assert(region, "no take")
  return region
end

local function export(track, file)
  -- Changes reach the plug-in through the running engine, and deactivation fades out:
  -- let them settle, or the export's first blocks still hear the old state.
  sleep(1)
  local region = take(track)
  local e = s:simple_export()
  e:set_folder(out)
  e:set_name(file)
  e:set_range(region:position():samples(), region:position():samples() + region:length():samples())
  assert(e:set_preset(preset), "export preset missing")
  assert(e:run_export(), "export failed")
end

local function save()
  assert(s:save_state("", false, false, false, false, false) == 0, "save failed")
end

local function record()
  local track = s:new_audio_track(2, 2, nil, 1, "Ruck", ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true):front()
  -- Straight through: no panner between the plug-in and the export.
  track:panner_shell():set_bypassed(true)
  track:rec_enable_control():set_value(1, PBD.GroupControlDisposition.NoGroup)
  s:maybe_enable_record(false)
  s:request_roll(ARDOUR.TransportRequestSource.TRS_UI)
  sleep(2)
  s:request_stop(false, false, ARDOUR.TransportRequestSource.TRS_UI)
  sleep(1)
  track:rec_enable_control():set_value(0, PBD.GroupControlDisposition.NoGroup)
  print("RESULT take_samples " .. take(track):length():samples())

  local proc = ARDOUR.LuaAPI.new_plugin(s, "Ruckstone", plugin_type, "")
  assert(not proc:isnil(), "Ruckstone not found")
  track:add_processor_by_index(proc, 0, nil, true)
  local plugin = proc:to_insert():plugin(0)
  print("RESULT parameters " .. plugin:parameter_count())
  for i = 0, plugin:parameter_count() - 1 do
    local _, pd = plugin:get_parameter_descriptor(i, ARDOUR.ParameterDescriptor())
    print("RESULT parameter " .. i .. " " .. pd[2].label)
  end
  local count, hard = 0, nil
  if format == "vst3" then
    -- A VST3 program list: presets by name, found through their URIs (class ID, index).
    local cid = plugin:get_info().unique_id
    while true do
      local p = plugin:preset_by_uri(string.format("VST3-P:%s:%04d", cid, count))
      if not p or p.label == "" then break end
      count = count + 1
      if p.label == "Hard guitar" then hard = p end
    end
  else
    for p in plugin:get_info():get_presets():iter() do
      count = count + 1
      -- Ardour lists VST programs as presets labelled "N - name".
      if p.label:match("^%d+ %- (.*)$") == "Hard guitar" then hard = p end
    end
  end
  print("RESULT programs " .. count)
  assert(hard, "no program named Hard guitar")
  print("RESULT loaded_program " .. tostring(plugin:load_preset(hard)))
  -- A VST3 processor takes the program with the next block the engine runs.
  sleep(1)
  save()
end

local track = step ~= "record" and s:route_by_name("Ruck"):to_track() or nil
local proc = track and track:nth_plugin(0) or nil
if step == "record" then
  record()
elseif step == "dry" then
  proc:deactivate()
  export(track, "dry")
elseif step == "hard" then
  export(track, "hard")
elseif step == "amount" then
  -- Ardour shows VST2 parameters normalised and VST3 ones in their own units: 20 %.
  ARDOUR.LuaAPI.set_processor_param(proc, 1, format == "vst3" and 20 or 0.2)
  print("RESULT amount_before_save " .. ARDOUR.LuaAPI.get_processor_param(proc, 1, true))
  -- A VST3 processor's state has the change once the engine has run a block.
  sleep(1)
  save()
  export(track, "hard-amount20")
elseif step == "reload" then
  assert(not proc:isnil(), "the plug-in did not come back")
  print("RESULT amount_after_reload " .. ARDOUR.LuaAPI.get_processor_param(proc, 1, true))
  export(track, "reloaded")
end
print("RESULT done " .. step)
close_session()
