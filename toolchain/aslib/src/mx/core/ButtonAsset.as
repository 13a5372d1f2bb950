package mx.core
{
	import flash.display.SimpleButton;

	/**
	 * Base of the classes the compiler makes for buttons embedded from a
	 * symbol of a SWF file ([Embed(source="library.swf", symbol="...")]).
	 */
	public class ButtonAsset extends SimpleButton implements IFlexAsset
	{
		public function ButtonAsset()
		{
			super();
		}
	}
}
